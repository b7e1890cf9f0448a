#!/usr/bin/env bash
# Seconds of signal analysed per wall-clock second by kavrin-analyze: --jobs 1, --jobs 2, and
# --bins (one job), over four files of a quarter of an hour each (one hour in all); then --jobs 2
# against --jobs 1 over 2000 files of 40 kB (a few blocks each), where starting jobs costs most.
# Best of several runs, since other work on the machine only ever makes a run slower.
#   bench/analyze_throughput.sh [KAVRIN_ANALYZE] [RUNS]
set -euo pipefail
analyzer=${1:-build/tools/kavrin-analyze}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 19845000 bytes = 900 s at 22050 bytes per second. What the bytes are does not change the work.
for k in 1 2 3 4; do head -c 19845000 /dev/urandom >"$work/q$k.wav"; done
signal=3600
files=("$work"/q1.wav "$work"/q2.wav "$work"/q3.wav "$work"/q4.wav)

best() {  # options...; prints the best wall time in seconds over "${files[@]}"
    local best="" t0 t1 t
    for _ in $(seq "$runs"); do
        t0=$(date +%s.%N)
        "$analyzer" --no-progress "$@" "${files[@]}" >/dev/null 2>&1
        t1=$(date +%s.%N)
        best=$(awk -v a="$t0" -v b="$t1" -v m="$best" \
            'BEGIN { t = b - a; if (m == "" || t < m) m = t; print m }')
    done
    echo "$best"
}

"$analyzer" --no-progress --jobs 1 "${files[@]}" >/dev/null  # warm the page cache
one=$(best --jobs 1)
two=$(best --jobs 2)
bins=$(best --jobs 1 --bins)
rate() { awk -v s="$signal" -v t="$1" 'BEGIN { printf "%d", s / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'one hour of signal, best of %s runs on %s processors\n' "$runs" "$(nproc)"
printf '  --jobs 1         %6.3f s   %6s s of signal per s\n' "$one" "$(rate "$one")"
printf '  --jobs 2         %6.3f s   %6s s of signal per s   (%sx --jobs 1)\n' "$two" \
    "$(rate "$two")" "$(ratio "$one" "$two")"
printf '  --jobs 1 --bins  %6.3f s   %6s s of signal per s   (%sx the time of --jobs 1)\n' \
    "$bins" "$(rate "$bins")" "$(ratio "$bins" "$one")"

mkdir "$work/small"
head -c 40000 /dev/urandom >"$work/small/s0.raw"
for k in $(seq 1 1999); do cp "$work/small/s0.raw" "$work/small/s$k.raw"; done
files=("$work"/small/*.raw)
small_one=$(best --jobs 1)
small_two=$(best --jobs 2)
printf '2000 files of 40 kB\n'
printf '  --jobs 1         %6.3f s\n' "$small_one"
printf '  --jobs 2         %6.3f s   (%sx --jobs 1)\n' "$small_two" "$(ratio "$small_one" "$small_two")"
