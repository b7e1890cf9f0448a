#!/usr/bin/env bash
# Peak memory of decoding: kavrin-analyze --decode (the file source's decoded stream, as
# Input > File with Decode Audio Files plays it) and --decode --live (the capture replay), on
# recordings of 10 minutes, 1 hour and 10 hours at 1 kHz (FLAC, small on disk, many samples
# once decoded), one job. Decoding streams, so the peak should not grow with the length.
#   bench/decode_memory.sh [KAVRIN_ANALYZE]
set -euo pipefail
analyzer=${1:-build-release/tools/kavrin-analyze}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak() {  # options... file; prints the peak resident set in MiB
    /usr/bin/time -f '%M' -o "$work/rss" "$analyzer" --no-progress --jobs 1 "$@" >/dev/null
    awk '{ printf "%.1f", $1 / 1024 }' "$work/rss"
}

printf '%-10s %12s %16s %16s\n' length "FLAC on disk" "--decode" "--decode --live"
for seconds in 600 3600 36000; do
    file="$work/speech-$seconds.flac"
    # A voice-like carrier whose loudness trembles at about 10 Hz.
    sox -n -r 1000 -c 1 -b 16 "$file" synth "$seconds" sine 180 tremolo 10 40 2>/dev/null
    size=$(du -h "$file" | cut -f1)
    printf '%-10s %12s %12s MiB %12s MiB\n' "$((seconds / 60)) min" "$size" \
        "$(peak --decode "$file")" "$(peak --decode --live "$file")"
done
