#!/usr/bin/env bash
# Builds the fuzz targets with clang-16 (AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for KAVRIN_FUZZ_SECONDS (default 60) seconds from its seed corpus and the inputs kept in
# fuzz/regressions/. An input that fails is copied into fuzz/regressions/<target>/ (commit it:
# the unit tests replay that folder) and printed in hex; the script then fails.
# KAVRIN_FUZZ_BUILD names a build folder configured with -DKAVRIN_FUZZ=ON and already built (as
# scripts/test-all.sh's sanitizer build is); without it the script builds build-fuzz/ itself.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${KAVRIN_FUZZ_SECONDS:-60}
dir=${KAVRIN_FUZZ_BUILD:-$top/build-fuzz}

if [ -z "${KAVRIN_FUZZ_BUILD:-}" ]; then
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-16 \
        -DKAVRIN_FUZZ=ON -DKAVRIN_GUI=OFF -DKAVRIN_TESTS=OFF -DKAVRIN_BENCH=OFF
    cmake --build "$dir" -j"$(nproc)"
fi

seeds=$dir/seeds
rm -rf "$seeds"
"$top/fuzz/make-seeds.sh" "$seeds"

# Leaks inside the sound libraries' own error paths are theirs, not the targets'.
export LSAN_OPTIONS="suppressions=$top/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

status=0
for target in file_source analyze_options settings decoder labels wave_header; do
    corpus=$dir/corpus/$target
    artifacts=$dir/artifacts/$target
    kept=$top/fuzz/regressions/$target
    log=$dir/$target.log
    mkdir -p "$corpus" "$kept"
    rm -rf "$artifacts" && mkdir -p "$artifacts"
    options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
    case $target in
        # Past the first cycle (32768 bytes) and a few blocks more.
        file_source) options+=(-max_len=70000) ;;
        # Large enough for headers, chunks and a few compressed frames.
        decoder) options+=(-max_len=20000) ;;
        # Only the header's first bytes are ever read.
        wave_header) options+=(-max_len=4096) ;;
        # The toolkit's caches grow between inputs and would pass for leaks of each input;
        # leaks are still looked for at the end of the run.
        settings) options+=(-detect_leaks=0) ;;
    esac
    if "$dir/fuzz/${target}_fuzzer" "${options[@]}" "$corpus" "$seeds/$target" "$kept" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no failure"
    else
        status=1
        tail -n 60 "$log"
        for input in "$artifacts"/*; do
            [ -f "$input" ] || continue
            cp "$input" "$kept/"
            echo "fuzz $target FAILED on $(basename "$input"), kept as fuzz/regressions/$target/$(basename "$input"):"
            od -An -tx1 -v "$input" | head -n 64
        done
    fi
    find "$kept" -type d -empty -delete
done
exit $status
