#!/usr/bin/env bash
# Runs two kavrin-analyze binaries over the same generated inputs (speech from espeak-ng, voice-like
# sox signals, odd lengths, tones; with and without --bins, volume and threshold values) and
# compares their CSV byte for byte. A faster build must give exactly the old numbers.
#   bench/analyze_output_compare.sh OLD_BINARY NEW_BINARY [WORK_DIR]
set -euo pipefail
old=$1
new=$2
work=${3:-$(mktemp -d)}
mkdir -p "$work/in"
in=$work/in

if [ ! -e "$in/.made" ]; then
    espeak-ng -w "$in/speech1.wav" "The quick brown fox jumps over the lazy dog, again and again, \
        until the evening comes and everyone goes home to rest for the night."
    espeak-ng -s 120 -p 70 -w "$in/speech2.wav" "Interviews recorded over many hours tell us \
        where the tremor of a voice lies between eight and twelve hertz."
    sox -n -r 11025 -b 16 -c 1 -t raw "$in/voice.wav" synth 90 sine 180 synth 90 sine amod 10.3 30 \
        synth 90 pinknoise mix vol 0.4
    sox -n -r 11025 -b 16 -c 1 -t raw "$in/tremble.wav" synth 45 sine 140-220 tremolo 9.1 40
    sox -n -r 11025 -b 16 -c 1 -t raw "$in/quiet.wav" synth 20 brownnoise vol 0.01
    head -c 100 "$in/voice.wav" >"$in/short.wav"
    head -c 32769 "$in/voice.wav" >"$in/edge.wav"
    head -c 123457 "$in/tremble.wav" >"$in/odd.wav"
    : >"$in/empty.wav"
    touch "$in/.made"
fi
files=("$in"/speech1.wav "$in"/speech2.wav "$in"/voice.wav "$in"/tremble.wav "$in"/quiet.wav \
    "$in"/short.wav "$in"/edge.wav "$in"/odd.wav "$in"/empty.wav)

cases=(
    ""
    "--bins"
    "--volume 60 --threshold-adjust 20"
    "--volume -100 --threshold-adjust 99 --bins"
    "--volume 200"
)
tones=(
    "--tone 10 --amplitude 1000 --blocks 40"
    "--tone 11.5 --amplitude 32000 --blocks 25 --bins"
    "--tone 0 --amplitude 5 --blocks 3 --bins --volume 70"
    "--tone 8 --amplitude 20000 --blocks 12 --threshold-adjust 10"
)
failed=0
n=0
compare() {  # options for the new binary only (one word or none), then the arguments
    local extra=$1
    shift
    n=$((n + 1))
    "$old" "$@" >"$work/old.csv" 2>"$work/old.err" && os=0 || os=$?
    # shellcheck disable=SC2086
    "$new" $extra "$@" >"$work/new.csv" 2>"$work/new.err" && ns=0 || ns=$?
    if ! cmp -s "$work/old.csv" "$work/new.csv" || ! cmp -s "$work/old.err" "$work/new.err" ||
        [ "$os" != "$ns" ]; then
        echo "DIFFERENT: $extra $*" >&2
        failed=1
    fi
}
# The new binary also with its batch options, when it has them.
extras=("")
if "$new" --help | grep -q -- --jobs; then extras=("--jobs=1" "--jobs=2" "--jobs=5"); fi
for c in "${cases[@]}"; do
    for e in "${extras[@]}"; do
        # shellcheck disable=SC2086
        compare "$e" --no-progress $c "${files[@]}" "$in/missing.wav" "${files[0]}"
    done
done
for t in "${tones[@]}"; do
    # shellcheck disable=SC2086
    compare "" $t
done
[ "$failed" = 0 ] && echo "identical: $n runs ($work)"
exit "$failed"
