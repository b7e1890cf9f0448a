#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test once, each in the build where it tells
# most: the Release build (library, sound-server, batch and plugin tests, window tests on Wayland
# with PipeWire; its Debian package made, installed and started), the ThreadSanitizer build
# (library, sound-server and window tests) and
# the AddressSanitizer + UndefinedBehaviorSanitizer build (library and sound-server tests, and the
# fuzz targets for KAVRIN_FUZZ_SECONDS each). The minutes of every step are listed at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/install-deps.sh"

export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
xvfb=(xvfb-run -a -s "-screen 0 1600x1200x24")

# Each step says when it began and how long the run has taken, so a slow step stands out in CI's
# log; the end of the run lists the minutes of every step.
steps=()
step_name=""
step_start=0
finish_step() {
    [ -n "$step_name" ] &&
        steps+=("$(awk -v s=$((SECONDS - step_start)) -v n="$step_name" 'BEGIN { printf "%5.1f min  %s", s / 60, n }')")
    return 0
}
step() {
    finish_step
    step_name="$*"
    step_start=$SECONDS
    printf '\n=== %s (at %s, %d s in) ===\n' "$*" "$(date +%T)" "$SECONDS"
}
summary() {
    finish_step
    step_name=""
    printf '\n=== Minutes per step ===\n'
    printf '%s\n' "${steps[@]}"
    awk -v s=$SECONDS 'BEGIN { printf "%5.1f min  in all\n", s / 60 }'
}
trap summary EXIT

step "Formatting"
mapfile -t sources < <(cd "$top" && git ls-files '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp')
(cd "$top" && clang-format --dry-run --Werror "${sources[@]}")

# Every test runs in the build where it tells most, and each build builds only what it runs:
# - the Release build (what users and the package get): library, sound-server (PulseAudio, then
#   PipeWire) and batch tests, the window tests on native Wayland with PipeWire, the plugin inside
#   Sonic Visualiser, the package;
# - the ThreadSanitizer build: library, sound-server and every window test on X11;
# - the AddressSanitizer + UndefinedBehaviorSanitizer build (clang, with the fuzzers): library and
#   sound-server tests, then each fuzz target for KAVRIN_FUZZ_SECONDS.
suite() {  # build dir, then the labels to run: unit sound pipewire death quiet gui desktop plugin ssh
    local dir=$1 label
    shift
    for label in "$@"; do
        case $label in
            unit)
                step "Library tests ($dir)"
                (cd "$dir" && ctest --output-on-failure -j"$jobs" -L unit) ;;
            sound)
                step "No sound server ($dir)"
                (cd "$dir" && KAVRIN_EXPECT_NO_SOUND_SERVER=1 ctest --output-on-failure -L sound)
                step "Sound server ($dir)"
                (cd "$dir" && KAVRIN_EXPECT_SOUND_SERVER=1 "$top/scripts/with-pulseaudio.sh" ctest --output-on-failure -L sound) ;;
            pipewire)
                step "Sound server: PipeWire, through its own ALSA plugin ($dir)"
                (cd "$dir" && KAVRIN_EXPECT_SOUND_SERVER=1 "$top/scripts/with-pipewire.sh" ctest --output-on-failure -L sound) ;;
            death)
                step "A sound server killed under running streams, PulseAudio and PipeWire ($dir)"
                (cd "$dir" && ctest --output-on-failure -L death) ;;
            quiet)
                step "Quiet start without a sound server ($dir)"
                (cd "$dir" &&
                    TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$top/tests/app/gui_tsan.supp" \
                    LSAN_OPTIONS="suppressions=$top/tests/app/gui_lsan.supp" \
                    KAVRIN_EXPECT_NO_SOUND_SERVER=1 "${xvfb[@]}" ctest --output-on-failure -L quiet) ;;
            gui)
                step "Window tests under Xvfb ($dir)"
                # The toolkit's own libraries are not instrumented; their internal threads and caches
                # are kept out of the sanitizers' reports (Kavrin's code is not).
                (cd "$dir" &&
                    TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$top/tests/app/gui_tsan.supp" \
                    LSAN_OPTIONS="suppressions=$top/tests/app/gui_lsan.supp" \
                    KAVRIN_EXPECT_SOUND_SERVER=1 \
                    "${xvfb[@]}" "$top/scripts/with-pulseaudio.sh" ctest --output-on-failure -L gui) ;;
            desktop)
                step "Window tests on native Wayland (Weston) with PipeWire ($dir)"
                (cd "$dir" && "${xvfb[@]}" ctest --output-on-failure -L desktop) ;;
            plugin)
                step "The Vamp plugin inside Sonic Visualiser ($dir)"
                (cd "$dir" && "${xvfb[@]}" ctest --output-on-failure -L plugin) ;;
            ssh)
                step "kavrin-analyze over two sshd hosts with GNU parallel ($dir)"
                (cd "$dir" && ctest --output-on-failure -L ssh) ;;
        esac
    done
}

# The Release build as a user makes it, its Debian package, installed and started. Its window
# tests are those of the desktops users run today (Wayland and PipeWire) and the plugin's run
# inside Sonic Visualiser (a program that cannot load an instrumented module); the X11 window
# tests run in the ThreadSanitizer build.
release="$top/build-release"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
step "Release build"
cmake -S "$top" -B "$release" -DCMAKE_BUILD_TYPE=Release -DKAVRIN_BENCH=OFF
cmake --build "$release" -j"$jobs"
suite "$release" unit sound pipewire death ssh desktop plugin
step "Desktop file and metainfo"
(cd "$release" && ctest --output-on-failure -L package)
step "Debian package"
rm -f "$release"/kavrin_*.deb
(cd "$release" && cpack -G DEB && dpkg-deb -I kavrin_*.deb)
step "Installing the package"
(cd "$release" && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y ./kavrin_*.deb)
for file in /usr/bin/kavrin /usr/bin/kavrin-analyze /usr/share/kavrin/help/kavrin.hhp \
    /usr/share/applications/kavrin.desktop /usr/share/metainfo/org.kavrin.Kavrin.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/kavrin.svg \
    /usr/share/icons/hicolor/{16x16,32x32,48x48,128x128}/apps/kavrin.png \
    /usr/share/man/man1/kavrin.1.gz /usr/share/man/man1/kavrin-analyze.1.gz \
    /usr/lib/vamp/kavrin.so /usr/lib/vamp/kavrin.cat /usr/lib/vamp/kavrin.n3; do
    [ -s "$file" ] || { echo "the package did not install $file" >&2; exit 1; }
done
step "Installed kavrin-analyze"
/usr/bin/kavrin-analyze --version
/usr/bin/kavrin-analyze --tone 10 --amplitude 10 --blocks 5 >"$release/installed-tone.csv"
[ "$(wc -l <"$release/installed-tone.csv")" -eq 6 ] || { echo "not 5 rows and a header" >&2; exit 1; }
step "Installed Vamp plugin, found without VAMP_PATH"
env -u VAMP_PATH vamp-simple-host --list-ids | grep -x 'vamp:kavrin:kavrin'
step "Installed kavrin under Xvfb"
"${xvfb[@]}" "$top/scripts/check-window-starts.sh" /usr/bin/kavrin
step "Installing with cmake --install"
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y kavrin
(cd "$release" && $sudo cmake --install .)
/usr/local/bin/kavrin-analyze --version
env -u VAMP_PATH vamp-simple-host --list-ids | grep -x 'vamp:kavrin:kavrin'

thread="$top/build-thread"
step "Sanitizer build: thread"
cmake -S "$top" -B "$thread" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRIN_SANITIZE=thread \
    -DKAVRIN_BENCH=OFF
cmake --build "$thread" -j"$jobs"
suite "$thread" unit sound quiet gui

# clang builds the fuzzers with the same instrumentation, so one build serves both.
address="$top/build-address"
step "Sanitizer build: address and undefined behaviour, with the fuzzers (clang-16)"
cmake -S "$top" -B "$address" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-16 \
    -DKAVRIN_FUZZ=ON -DKAVRIN_GUI=OFF -DKAVRIN_BENCH=OFF
cmake --build "$address" -j"$jobs"
suite "$address" unit sound

export KAVRIN_FUZZ_SECONDS=${KAVRIN_FUZZ_SECONDS:-10}
step "Fuzzing: each target for $KAVRIN_FUZZ_SECONDS s"
KAVRIN_FUZZ_BUILD="$address" "$top/scripts/fuzz.sh"

step "All tests passed"
