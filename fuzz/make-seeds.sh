#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into FOLDER/<target>/, with the shell's own tools
# only, the same bytes every time.
set -euo pipefail
out=${1:?usage: make-seeds.sh FOLDER}
mkdir -p "$out/file_source" "$out/analyze_options" "$out/settings" "$out/labels"

# A square wave of 16-bit samples: half a period of one sample, half of the other (each given
# as printf escapes, which may stand for NUL bytes), cut to LENGTH bytes.
square() {  # half-period-samples high-escape low-escape length
    local high="" low="" i periods
    for ((i = 0; i < $1; i++)); do high+=$2; low+=$3; done
    periods=$(($4 / (4 * $1) + 1))
    for ((i = 0; i < periods; i++)); do printf "$high$low"; done > "$out/.wave"
    head -c "$4" "$out/.wave"
    rm -f "$out/.wave"
}

fs=$out/file_source
: > "$fs/empty"
printf '\x01' > "$fs/one_byte"
printf '\x01\x02\x03' > "$fs/odd_three"
head -c 32768 /dev/zero > "$fs/silence_first_cycle"
head -c 32769 /dev/zero > "$fs/silence_one_more_byte"
# About 10 Hz (551 samples half a period) at +-3000, exact sizes and one byte over.
square 551 '\xb8\x0b' '\x48\xf4' 49152 > "$fs/ten_hz_exact"
square 551 '\xb8\x0b' '\x48\xf4' 49153 > "$fs/ten_hz_odd"
# Full scale, a high tone, and the extremes of the sample range.
square 3 '\xff\x7f' '\x00\x80' 66261 > "$fs/full_scale_high"
square 1 '\xff\x7f' '\x00\x80' 40000 > "$fs/nyquist"
awk 'BEGIN { srand(1); for (i = 0; i < 60000; i++) printf "%c", 1 + int(rand() * 255) }' \
    > "$fs/noise" 2>/dev/null || true

ao=$out/analyze_options
args() { local name=$1; shift; printf '%s\0' "$@" > "$ao/$name"; }
args one_file a.wav
args files_and_options --volume 40 --threshold-adjust=-20 --bins a.wav b.wav
args tone --tone 10 --amplitude 1000 --blocks 5
args tone_inline --tone=11.5 --amplitude=32000 --blocks=1 --no-progress
args dash_dash --bins -- --tone -
args help --help
args version --version
args bad_value --volume x
args tone_and_file --tone 10 --amplitude 1 --blocks 1 a.wav
args unknown -x --frobnicate
args big_numbers --blocks 9223372036854775807 --volume -2147483648 --tone 22000 --amplitude 0

st=$out/settings
printf '[Recent File List]\nFile1=/home/a/one.wav\nFile2=/home/a/two.wav\nFile3=/tmp/three.WAV\nFile4=rel/four.wav\n[Settings]\nPreviewPages=2\n' \
    > "$st/full"
printf '[Recent File List]\nFile2=/only/second.wav\nFile9=/ignored.wav\n' > "$st/gaps"
printf '[Recent File List]\nFile1=" /spaces around.wav "\nFile2=/a$HOME/b%%d.wav\nFile3=/x\\\\y.wav\n' \
    > "$st/quoted"
printf '\xef\xbb\xbf[Settings]\r\nPreviewPages=-7\r\n' > "$st/bom_crlf"
printf '\xff\xfe[\x00S\x00]\x00\n\x00' > "$st/utf16"
printf '[[[\n=\n[Recent File List\nFile1\n[Recent File List/Sub]\nFile1=/sub.wav\n' > "$st/corrupt"
printf '[Devices]\nInput=kavrin_null2\nInputHostApi=ALSA\nOutput=HDA Intel PCH: ALC3246 Analog (hw:0,0)\nOutputHostApi=ALSA\n' \
    > "$st/devices"
printf '[Devices]\nInput=" lead; #hash = \\t\xe9\xff"\nOutputHostApi=JACK Audio Connection Kit\n[Devices/Input]\nX=1\n' \
    > "$st/devices_odd"
: > "$st/empty"

# Audio files for the decoder, made by sox: the container and sample forms libsndfile reads, odd
# rates and channel counts, and a rate low enough to stretch the resampler.
dc=$out/decoder
mkdir -p "$dc"
sound() { sox -n -R "$@" synth 0.15 sine 10 sine 300 2>/dev/null || true; }
sound -r 11025 -c 1 -b 16 "$dc/pcm16_mono_11025.wav"
sound -r 44100 -c 2 -b 16 "$dc/pcm16_stereo_44100.wav"
sound -r 48000 -c 1 -b 24 "$dc/pcm24_48000.wav"
sound -r 8000 -c 1 -b 8 -e unsigned-integer "$dc/pcm8_8000.wav"
sound -r 8000 -c 1 -b 8 -e mu-law "$dc/mulaw_8000.wav"
sound -r 22050 -c 1 -b 32 -e floating-point "$dc/float32_22050.wav"
sound -r 16000 -c 3 -b 16 "$dc/three_channels.wav"
sound -r 11025 -c 1 -b 16 "$dc/mono_11025.aiff"
sound -r 11025 -c 1 -b 16 "$dc/mono_11025.flac"
sound -r 44100 -c 2 -b 16 "$dc/stereo_44100.flac"
sound -r 22050 -c 1 "$dc/mono_22050.ogg"
sound -r 8000 -c 1 -b 16 "$dc/mono_8000.au"
sound -r 11025 -c 1 -b 16 "$dc/mono_11025.w64"
sound -r 100 -c 1 -b 16 "$dc/rate_100.wav"
printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x01\x00\x00\x00\x02\x00\x00\x00\x02\x00\x10\x00data\x00\x00\x00\x00' \
    > "$dc/rate_1_header_only.wav"
: > "$dc/empty"

# Label files: the first byte chooses the reader (0 Audacity, 1 TextGrid, 2 EAF, 3 sidecar).
lb=$out/labels
printf '\0000.5\t1.25\tq1\n2\t2\tmark\n\\\t100\t200\n3 4 blank separated\n' > "$lb/audacity"
printf '\001File type = "ooTextFile"\nObject class = "TextGrid"\n\nxmin = 0 \nxmax = 3 \ntiers? <exists> \nsize = 2 \nitem []: \n    item [1]:\n        class = "IntervalTier" \n        name = "q" \n        xmin = 0 \n        xmax = 3 \n        intervals: size = 2 \n        intervals [1]:\n            xmin = 0 \n            xmax = 1 \n            text = "a ""b""" \n        intervals [2]:\n            xmin = 1 \n            xmax = 3 \n            text = "" \n    item [2]:\n        class = "TextTier" \n        name = "marks" \n        xmin = 0 \n        xmax = 3 \n        points: size = 1 \n        points [1]:\n            number = 2 \n            mark = "m" \n' > "$lb/textgrid_long"
printf '\001"ooTextFile"\n"TextGrid"\n0\n2\n<exists>\n1\n"IntervalTier"\n"x"\n0\n2\n1\n0\n2\n"only"\n' > "$lb/textgrid_short"
printf '\002<?xml version="1.0" encoding="UTF-8"?>\n<ANNOTATION_DOCUMENT><HEADER><MEDIA_DESCRIPTOR MEDIA_URL="file:///a.wav"/></HEADER><TIME_ORDER><TIME_SLOT TIME_SLOT_ID="ts1" TIME_VALUE="500"/><TIME_SLOT TIME_SLOT_ID="ts2" TIME_VALUE="1250"/><TIME_SLOT TIME_SLOT_ID="ts3"/></TIME_ORDER><TIER TIER_ID="q"><ANNOTATION><ALIGNABLE_ANNOTATION ANNOTATION_ID="a1" TIME_SLOT_REF1="ts1" TIME_SLOT_REF2="ts2"><ANNOTATION_VALUE>q1 &amp; more</ANNOTATION_VALUE></ALIGNABLE_ANNOTATION></ANNOTATION></TIER></ANNOTATION_DOCUMENT>\n' > "$lb/eaf"
printf '\003kavrin-labels\t1\nrecording\ttake.wav\ntier\tq\nsegment\t0.5\t1.25\tq\\t1\nsegment\t2\t2\tmark\nbaseline\t0\t1\n' > "$lb/sidecar"
# Headers for the raw path's note: the decoder's WAV files, and chunk sizes that lie.
wh=$out/wave_header
mkdir -p "$wh"
cp "$dc"/*.wav "$wh"/ 2>/dev/null || true
printf 'RIFF\xff\xff\xff\xffWAVELIST\xf0\xff\xff\xfffmt \x10\x00\x00\x00' > "$wh/huge_chunk"
printf 'RIFF\x24\x00\x00\x00WAVEfmt \xff\xff\xff\xff\x01\x00\x02\x00' > "$wh/fmt_cut_short"
: > "$wh/empty"
