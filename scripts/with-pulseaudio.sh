#!/usr/bin/env bash
# Runs a command against a private PulseAudio server with a null sink, so that sound tests have
# a default playback device (the sink) and a default capture device (its monitor, which hears
# what is played) on a machine without a sound card.
#
#   scripts/with-pulseaudio.sh COMMAND [ARGS...]
#   scripts/with-pulseaudio.sh --restart     (from inside COMMAND, once the server is gone)
#
# The command finds the server's process ID in KAVRIN_PULSE_PID, to lose the server on purpose;
# --restart starts a new server on the same socket with the same null sink and prints its
# process ID. Every server started either way is ended with the command.
#
# With KAVRIN_PULSE_SECOND_SINK=1 the server has a second null sink, kavrin_null2, and ALSA has
# one device for each sink, kavrin_null and kavrin_null2 (playback into the sink, capture from its
# monitor), so that a choice of device can be tested: the pulse plugin's own "pulse" and
# "default" devices both stand for the server's default.
#
# Everything the server and its clients keep lives in a temporary folder that is removed
# afterwards; no system or home file is changed. PortAudio reaches the server through ALSA's
# pulse plugin (libasound2-plugins): an ALSA configuration in the same folder, added through
# ALSA_CONFIG_PATH, makes "default" the pulse device. Exits with the command's exit code.
set -u

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

for tool in pulseaudio pactl; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "with-pulseaudio: '$tool' not found (install pulseaudio and pulseaudio-utils)" >&2
        exit 2
    fi
done

sink=kavrin_null
second_sink=""
if [ "${KAVRIN_PULSE_SECOND_SINK:-}" = 1 ]; then second_sink=kavrin_null2; fi

# Starts the server in $dir (with everything its clients need exported), waits until it answers,
# makes the null sink and its monitor the defaults and keeps the sink running. Sets server_pid;
# every process it starts is listed in $dir/pids, for the cleanup.
start_server() {
    # Running as root, pulseaudio only warns (a per-user server with its own runtime folder).
    # It would otherwise keep a cookie and state in the home folder: point those at $dir too.
    XDG_CONFIG_HOME="$dir/config" HOME="$dir" \
        pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
        --load="module-null-sink sink_name=$sink" \
        ${second_sink:+--load="module-null-sink sink_name=$second_sink"} \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
        >>"$dir/server.log" 2>&1 &
    server_pid=$!
    echo "$server_pid" >>"$dir/pids"

    local ready=0
    for _ in $(seq 100); do
        if pactl info >/dev/null 2>&1; then
            ready=1
            break
        fi
        if ! kill -0 "$server_pid" 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [ "$ready" -ne 1 ]; then
        echo "with-pulseaudio: the PulseAudio server did not start:" >&2
        cat "$dir/server.log" >&2
        return 1
    fi

    pactl set-default-sink "$sink" && pactl set-default-source "$sink.monitor" || {
        echo "with-pulseaudio: could not select the null sink and its monitor" >&2
        return 1
    }

    # The null sink renders its first block, two seconds long, when it starts running; streams
    # that start within that block wait for its end before their first samples move, unlike on a
    # sound card. So keep the sink running from here on with a silent low-latency stream (it
    # plays zeros: the monitor hears only what the tests play), and let that first block pass.
    pacat --playback --raw --format=s16le --rate=11025 --channels=1 --latency-msec=30 \
        --client-name=kavrin-keep-running /dev/zero >>"$dir/server.log" 2>&1 &
    echo "$!" >>"$dir/pids"
    for _ in $(seq 50); do
        pactl list short sinks 2>/dev/null |
            grep -q "^[0-9]*[[:space:]]$sink[[:space:]].*RUNNING" && break
        sleep 0.1
    done
    sleep 2.2
}

if [ "$1" = "--restart" ]; then
    # The folder of the running command's servers, as its environment names it.
    dir=${PULSE_RUNTIME_PATH:-}
    if [ -z "$dir" ] || [ ! -f "$dir/pids" ]; then
        echo "with-pulseaudio: --restart outside a command of with-pulseaudio.sh" >&2
        exit 2
    fi
    if pactl info >/dev/null 2>&1; then
        echo "with-pulseaudio: --restart while the server still runs" >&2
        exit 2
    fi
    rm -f "$dir/native"
    # The new server and its keeper outlive this call; their output stays in the log.
    start_server </dev/null || exit 2
    echo "$server_pid"
    exit 0
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/kavrin-pulse.XXXXXX") || exit 2
chmod 700 "$dir"
mkdir -p "$dir/config" "$dir/state"
: >"$dir/pids"

. "$(dirname "$0")/private-processes.sh"

# What clients need to find the private server (libpulse, pactl and the ALSA pulse plugin).
export PULSE_RUNTIME_PATH="$dir"
export PULSE_SERVER="unix:$dir/native"
export PULSE_COOKIE="$dir/cookie"
export PULSE_STATE_PATH="$dir/state"

# Make ALSA's default device the pulse plugin without touching system files: the standard
# configuration first, then ours on top of it.
alsa_conf=/usr/share/alsa/alsa.conf
if [ -n "${ALSA_CONFIG_PATH:-}" ]; then alsa_conf=$ALSA_CONFIG_PATH; fi
cat >"$dir/asound.conf" <<'CONF'
pcm.!default {
    type pulse
    hint.description "Private PulseAudio server"
}
ctl.!default {
    type pulse
}
CONF
if [ -n "$second_sink" ]; then
    for each in "$sink" "$second_sink"; do
        cat >>"$dir/asound.conf" <<CONF
pcm.$each {
    type asym
    playback.pcm { type pulse device $each }
    capture.pcm { type pulse device $each.monitor }
    hint.description "Null sink $each of the private PulseAudio server"
}
CONF
    done
fi
export ALSA_CONFIG_PATH="$alsa_conf:$dir/asound.conf"

start_server || exit 2
# Tests that lose the server on purpose (they kill it) find it here, and start it again with
# --restart.
export KAVRIN_PULSE_PID=$server_pid
export KAVRIN_PULSE_RESTART="$(cd "$(dirname "$0")" && pwd)/$(basename "$0") --restart"

"$@"
status=$?
exit "$status"
