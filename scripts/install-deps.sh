#!/usr/bin/env bash
# Installs the Debian 12 packages Kavrin needs to build, run and test, skipping those present.
set -euo pipefail

packages=(
    g++ cmake make pkg-config ccache git clang-format sox
    clang-16 libfuzzer-16-dev libclang-rt-16-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libwxgtk3.2-dev portaudio19-dev libsndfile1-dev libsoxr-dev libaubio-dev
    libavformat-dev libavcodec-dev libavutil-dev ffmpeg
    xvfb xauth imagemagick
    pulseaudio pulseaudio-utils libasound2-plugins alsa-utils
    libasound2-dev libjack-jackd2-dev
    dpkg-dev desktop-file-utils appstream librsvg2-bin x11-utils
    parallel openssh-server openssh-client rsync
    libexpat1-dev praat
    libcairo2-dev nettle-dev poppler-utils espeak-ng
    vamp-plugin-sdk vamp-examples sonic-visualiser
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
