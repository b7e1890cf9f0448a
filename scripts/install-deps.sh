#!/usr/bin/env bash
# Installs the Debian 12 packages Kavrin needs to build, run and test, skipping those present.
set -euo pipefail

packages=(
    g++ cmake make pkg-config ccache git clang-format sox
    clang-16 libfuzzer-16-dev libclang-rt-16-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libwxgtk3.2-dev portaudio19-dev libsndfile1-dev libsoxr-dev libaubio-dev
    libavformat-dev libavcodec-dev libavutil-dev ffmpeg
    xvfb xauth imagemagick weston libgtk-3-dev
    pulseaudio pulseaudio-utils libasound2-plugins alsa-utils
    pipewire pipewire-bin wireplumber pipewire-pulse dbus
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
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# PipeWire's own ALSA plugin, for scripts/with-pipewire.sh: Debian's pipewire-alsa conflicts with
# pulseaudio, so the package is unpacked into a folder of ours instead of installed.
pipewire_alsa=/var/cache/kavrin/pipewire-alsa
if [ ! -f "$pipewire_alsa/usr/lib/$(gcc -print-multiarch)/alsa-lib/libasound_module_pcm_pipewire.so" ]; then
    download=$(mktemp -d)
    chmod 755 "$download"
    (cd "$download" && apt-get download pipewire-alsa)
    $sudo mkdir -p "$pipewire_alsa"
    $sudo dpkg-deb -x "$download"/pipewire-alsa_*.deb "$pipewire_alsa"
    rm -rf "$download"
fi
