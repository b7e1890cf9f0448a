#!/usr/bin/env bash
# The real Sonic Visualiser, on the gui label's display, opens a session naming the plugin's band
# frequency transform over a generated recording; the curve's red must cross the pane.
# Usage: sonic_visualiser_test.sh PLUGIN_DIR
set -euo pipefail
export VAMP_PATH=$1
work=$(mktemp -d)
sv=""
trap '[ -n "$sv" ] && kill "$sv" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
cd "$work"
# Fresh settings, without the first start's network question.
version=$(dpkg-query -W -f='${Version}' sonic-visualiser)
mkdir -p .config/sonic-visualiser
printf '[Preferences]\nnetwork-permission-%s=false\n' "${version%%-*}" \
    >".config/sonic-visualiser/Sonic Visualiser.conf"
sox -R -r 11025 -c 1 -n -b 16 speech.wav synth 20 pinknoise synth 20 sine amod 9.7 vol 0.5
# Session files are bzip2-compressed XML; a derived model is made again from its transform.
layers='<layer id="3" type="waveform" model="1"/>
<layer id="4" type="timevalues" model="2" colourName="Red"/>'
bzip2 -c >session.sv <<XML
<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE sonic-visualiser><sv><data>
<model id="1" sampleRate="11025" start="0" end="220500" type="wavefile" mainModel="true"
       file="$work/speech.wav"/>
<derivation type="transform" source="1" model="2" channel="-1">
<transform id="vamp:kavrin:kavrin:bandfrequency" stepSize="4096" blockSize="4096"/></derivation>
$layers</data><display><view type="pane" centre="110250" zoom="256" followPan="1"
 followZoom="1" centreLineVisible="0" height="500">$layers</view></display></sv>
XML
sonic-visualiser --no-audio --no-osc --no-splash session.sv >sv.log 2>&1 &
sv=$!
# Columns of a half-size screenshot holding red (the record button holds a few).
deadline=$((SECONDS + 120))
while ((SECONDS < deadline)); do
    kill -0 "$sv" 2>/dev/null || { echo "FAIL: Sonic Visualiser ended"; tail sv.log; exit 1; }
    import -window root shot.png
    columns=$(convert shot.png -sample 50% -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 - $4 >= 30 && $3 - $5 >= 30 { seen[$1] = 1 }
                          END { print length(seen) }')
    ((columns >= 100)) && { echo "curve across $columns columns"; exit 0; }
    sleep 1
done
cp shot.png "${TMPDIR:-/tmp}/kavrin-sonic-visualiser-failure.png"
echo "FAIL: no curve (red in $columns columns; screenshot kept)"
exit 1
