#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test (library, sound-server and window tests)
# in the normal build; builds the Release build, runs its library tests, makes, installs and runs
# its Debian package; then runs the tests in the ThreadSanitizer and AddressSanitizer +
# UndefinedBehaviorSanitizer builds, and runs the fuzz targets for a minute each.
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

run_suite() {  # build dir
    local dir=$1
    step "Library tests ($dir)"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" -L unit)
    step "No sound server ($dir)"
    (cd "$dir" && KAVRIN_EXPECT_NO_SOUND_SERVER=1 ctest --output-on-failure -L sound)
    step "Sound server ($dir)"
    (cd "$dir" && KAVRIN_EXPECT_SOUND_SERVER=1 "$top/scripts/with-pulseaudio.sh" ctest --output-on-failure -L sound)
    step "Quiet start without a sound server ($dir)"
    (cd "$dir" &&
        TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$top/tests/app/gui_tsan.supp" \
        LSAN_OPTIONS="suppressions=$top/tests/app/gui_lsan.supp" \
        KAVRIN_EXPECT_NO_SOUND_SERVER=1 "${xvfb[@]}" ctest --output-on-failure -L quiet)
    step "Window tests under Xvfb ($dir)"
    # The toolkit's own libraries are not instrumented; their internal threads and caches are
    # kept out of the sanitizers' reports (Kavrin's code is not).
    (cd "$dir" &&
        TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$top/tests/app/gui_tsan.supp" \
        LSAN_OPTIONS="suppressions=$top/tests/app/gui_lsan.supp" \
        KAVRIN_EXPECT_SOUND_SERVER=1 \
        "${xvfb[@]}" "$top/scripts/with-pulseaudio.sh" ctest --output-on-failure -L gui)
}

step "Normal build"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j"$jobs"
run_suite "$top/build"
step "kavrin-analyze over two sshd hosts with GNU parallel"
(cd "$top/build" && ctest --output-on-failure -L ssh)

# The Release build as a user makes it, its Debian package, installed and started.
release="$top/build-release"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
step "Release build"
# The normal build already builds and runs the benchmarks and the window tests; the Release build
# is for the numbers at full optimisation (library tests) and for the package.
cmake -S "$top" -B "$release" -DCMAKE_BUILD_TYPE=Release -DKAVRIN_BENCH=OFF \
    -DKAVRIN_WINDOW_TESTS=OFF
cmake --build "$release" -j"$jobs"
step "Library tests (Release)"
(cd "$release" && ctest --output-on-failure -j"$jobs" -L unit)
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

for sanitizer in thread address; do
    dir="$top/build-$sanitizer"
    step "Sanitizer build: $sanitizer"
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRIN_SANITIZE=$sanitizer \
        -DKAVRIN_BENCH=OFF
    cmake --build "$dir" -j"$jobs"
    run_suite "$dir"
done

export KAVRIN_FUZZ_SECONDS=${KAVRIN_FUZZ_SECONDS:-30}
step "Fuzzing: each target for $KAVRIN_FUZZ_SECONDS s (clang-16, AddressSanitizer + UndefinedBehaviorSanitizer)"
"$top/scripts/fuzz.sh"

step "All tests passed"
