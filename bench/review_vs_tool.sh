#!/usr/bin/env bash
# The window's review against kavrin-analyze --decode on the same hour of recording: runs the
# review benchmark (which writes the hour's files into the temporary folder once) and times the
# tool on those files. Usage: bench/review_vs_tool.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
"$build/bench/kavrin_bench" --benchmark_filter=Review
tmp=${TMPDIR:-/tmp}
for file in "$tmp/kavrin-bench-hour.wav" "$tmp/kavrin-bench-hour.flac"; do
    start=$(date +%s.%N)
    "$build/tools/kavrin-analyze" --decode "$file" >/dev/null
    end=$(date +%s.%N)
    echo "kavrin-analyze --decode $(basename "$file"): $(echo "$end - $start" | bc) s"
done
