#!/usr/bin/env bash
# The real Sonic Visualiser (on the display the gui label runs under) opens a session that names
# the plugin's band frequency transform over a generated recording; the curve, drawn in the
# layer's red, must cross the pane in a screenshot.
# Usage: sonic_visualiser_test.sh PLUGIN_DIR
set -euo pipefail
export VAMP_PATH=$1
work=$(mktemp -d)
sv=""
trap '[ -n "$sv" ] && kill "$sv" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
cd "$work"

# A fresh settings folder, without the first start's network question.
version=$(dpkg-query -W -f='${Version}' sonic-visualiser)
mkdir -p .config/sonic-visualiser
printf '[Preferences]\nnetwork-permission-%s=false\n' "${version%%-*}" \
    >".config/sonic-visualiser/Sonic Visualiser.conf"

sox -r 11025 -c 1 -n -b 16 speech.wav synth 20 pinknoise synth 20 sine amod 9.7 vol 0.5
# A session file is bzip2-compressed XML; the derived model is made again from its transform.
bzip2 -c >session.sv <<XML
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE sonic-visualiser>
<sv>
  <data>
    <model id="1" name="speech" sampleRate="11025" start="0" end="220500" type="wavefile"
           file="$work/speech.wav" mainModel="true"/>
    <derivation type="transform" source="1" model="2" channel="-1">
      <transform id="vamp:kavrin:kavrin:bandfrequency" stepSize="4096" blockSize="4096"/>
    </derivation>
    <layer id="3" type="waveform" name="Waveform" model="1"/>
    <layer id="4" type="timevalues" name="Band frequency" model="2" colourName="Red"/>
  </data>
  <display>
    <view centre="110250" zoom="256" followPan="1" followZoom="1" tracking="page" type="pane"
          centreLineVisible="0" height="500">
      <layer id="3" type="waveform" name="Waveform" model="1" visible="true"/>
      <layer id="4" type="timevalues" name="Band frequency" model="2" visible="true"/>
    </view>
  </display>
</sv>
XML
sonic-visualiser session.sv >sv.log 2>&1 &
sv=$!

# Columns (of a half-size screenshot) holding the curve's red; the toolbar's record button
# holds a few.
deadline=$((SECONDS + 120))
columns=0
while ((SECONDS < deadline)); do
    kill -0 "$sv" 2>/dev/null || { echo "FAIL: Sonic Visualiser ended"; tail -n 20 sv.log; exit 1; }
    import -window root shot.png
    columns=$(convert shot.png -sample 50% -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 - $4 >= 30 && $3 - $5 >= 30 { seen[$1] = 1 }
                          END { print length(seen) }')
    ((columns >= 100)) && { echo "curve across $columns columns"; exit 0; }
    sleep 1
done
echo "FAIL: no curve (red in $columns columns)"
cp shot.png "${TMPDIR:-/tmp}/kavrin-sonic-visualiser-failure.png" && echo "screenshot kept"
exit 1
