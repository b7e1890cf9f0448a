#!/usr/bin/env bash
# The plugin's features in vamp-simple-host and through the Vamp host SDK against
# kavrin-analyze --decode's rows of the same generated recordings.
# Usage: vamp_plugin_test.sh KAVRIN_ANALYZE KAVRIN_VAMP_ROWS PLUGIN_DIR
set -euo pipefail
analyze=$1 rows=$2
export VAMP_PATH=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Speech-like noise whose loudness swings inside the band, the FLAC's two channels unlike. Each
# ends where one more sample would add a row: the hosts' zero padding must not.
sox -R -r 11025 -c 1 -n -b 16 mono.wav synth 217088s pinknoise synth 217088s sine amod 9.7 vol 0.5
sox -R -r 44100 -c 2 -n -b 16 stereo.flac synth 638976s pinknoise brownnoise \
    synth 638976s sine amod 10.6 sine amod 8.8 vol 0.5
# A voiced sound (120 Hz), so that F0 has values; a quiet and a loud half.
sox -R -r 22050 -c 1 -n -b 16 voiced.wav synth 3 sawtooth 120 vol 0.05 : synth 3 sawtooth 120 vol 0.6

failed=0
same() {  # NAME EXPECTED ACTUAL
    if ! diff "$2" "$3" >diff.txt || [ "$(wc -l <"$2")" -eq 0 ]; then
        echo "FAIL: $1"; head -n 6 diff.txt; failed=1
    fi
}
for f in mono.wav stereo.flac voiced.wav; do
    "$analyze" --decode --bins --quality "$f" >"$f.csv"
    outputs=(bandfrequency averagefrequency threshold lamp magnitude bandmagnitudes level voicedshare)
    [ "$f" = voiced.wav ] && outputs=(level voicedshare f0)
    for out in "${outputs[@]}"; do
        "$rows" expect "$out" <"$f.csv" >want.txt
        vamp-simple-host "kavrin:kavrin:$out" "$f" 2>/dev/null | grep '^ ' >"$f.$out"
        same "vamp-simple-host $f $out" want.txt "$f.$out"
    done
    [ "$f" = voiced.wav ] || "$rows" expect all exact=1 <"$f.csv" >>both.exact
done

# Every bit, two instances side by side, whatever block and step the host chooses.
for sizes in "4096 4096" "1024 1024" "3000 1000" "777 777" "65536 65536"; do
    read -r block step <<<"$sizes"
    "$rows" host all exact=1 block="$block" step="$step" mono.wav stereo.flac >got.txt
    same "host SDK, block $block, step $step" both.exact got.txt
done

# The parameters act as the tool's options; the reference mode moves the lamp.
params=(exact=1 volume=60 thresholdadjust=40 referencemode=2)
"$analyze" --decode --bins --quality --volume 60 --threshold-adjust 40 mono.wav |
    "$rows" expect all "${params[@]}" >want.txt
"$rows" host all "${params[@]}" mono.wav >got.txt
same "parameters" want.txt got.txt
head -n "$(wc -l <want.txt)" both.exact | cmp -s - want.txt && { echo "FAIL: no change"; failed=1; }

# A row's band frequency is 8.0 + 0.1 x its index.
index=$(sed -n 2p mono.wav.csv | cut -d, -f4)
hz=$(awk 'NR == 1 { print $2 }' mono.wav.bandfrequency)
[ "$(awk -v i="$index" 'BEGIN { printf "%g", 8.0 + 0.1 * i }')" = "$hz" ] ||
    { echo "FAIL: index $index shown as $hz Hz"; failed=1; }
exit $failed
