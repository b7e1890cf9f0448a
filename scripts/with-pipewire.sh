#!/usr/bin/env bash
# Runs a command against a private PipeWire session with a null sink, as with-pulseaudio.sh does
# for PulseAudio: a private session bus, PipeWire, WirePlumber and pipewire-pulse, a null sink
# that is the default playback device and whose monitor is the default capture device, and
# ALSA's "default" device going to PipeWire through PipeWire's own ALSA plugin (the route of a
# desktop whose sound server is PipeWire).
#
#   scripts/with-pipewire.sh COMMAND [ARGS...]
#   scripts/with-pipewire.sh --restart     (from inside COMMAND, once PipeWire is gone)
#
# The command finds PipeWire's process ID in KAVRIN_PIPEWIRE_PID, to lose the server on purpose,
# and KAVRIN_SOUND_SERVER=pipewire tells tests which server's promises hold; --restart ends what
# is left of the session, starts PipeWire, WirePlumber and pipewire-pulse again with the same
# sink and prints PipeWire's new process ID. Every process started either way is ended with the
# command. pactl and libpulse reach pipewire-pulse through PULSE_SERVER.
#
# Debian's pipewire-alsa package conflicts with pulseaudio, which the other sound runs need: the
# plugin is taken from that package unpacked into a folder of ours (KAVRIN_PIPEWIRE_ALSA, which
# scripts/install-deps.sh fills), or from the system when pipewire-alsa is installed. Nothing of
# the system or the home folder is changed. Exits with the command's exit code.
set -u

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

for tool in pipewire wireplumber pipewire-pulse pw-cli pactl dbus-daemon; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "with-pipewire: '$tool' not found (install pipewire, wireplumber, pipewire-pulse," \
            "pipewire-bin, pulseaudio-utils and dbus)" >&2
        exit 2
    fi
done

multiarch=$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)
plugins=""
for candidate in "${KAVRIN_PIPEWIRE_ALSA:-/var/cache/kavrin/pipewire-alsa}/usr/lib/$multiarch/alsa-lib" \
    "/usr/lib/$multiarch/alsa-lib"; do
    if [ -f "$candidate/libasound_module_pcm_pipewire.so" ]; then
        plugins=$candidate
        break
    fi
done
if [ -z "$plugins" ]; then
    echo "with-pipewire: PipeWire's ALSA plugin not found (scripts/install-deps.sh unpacks it)" >&2
    exit 2
fi

sink=kavrin_null
if [ "$1" = "--restart" ]; then
    # The folder of the running command's session, as its environment names it.
    restart=1
    dir=${PIPEWIRE_RUNTIME_DIR:-}
    if [ -z "$dir" ] || [ ! -f "$dir/session-pids" ]; then
        echo "with-pipewire: --restart outside a command of with-pipewire.sh" >&2
        exit 2
    fi
    if pw-cli info 0 >/dev/null 2>&1; then
        echo "with-pipewire: --restart while PipeWire still runs" >&2
        exit 2
    fi
    # Only its helpers: the processes stay with the command's own cleanup.
    . "$(dirname "$0")/private-processes.sh"
    trap - EXIT INT TERM
else
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kavrin-pipewire.XXXXXX") || exit 2
    chmod 700 "$dir"
    mkdir -p "$dir/config" "$dir/state"
    : >"$dir/pids"
    : >"$dir/session-pids"

    . "$(dirname "$0")/private-processes.sh"
fi

# Everything the daemons and their clients keep, in $dir.
export XDG_RUNTIME_DIR="$dir"
export XDG_CONFIG_HOME="$dir/config"
export XDG_STATE_HOME="$dir/state"
export HOME="$dir"
export PIPEWIRE_RUNTIME_DIR="$dir"
export PULSE_RUNTIME_PATH="$dir/pulse"
export PULSE_SERVER="unix:$dir/pulse/native"
unset PULSE_COOKIE PULSE_STATE_PATH

if [ "${restart:-0}" != 1 ]; then
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 \
        --address="unix:path=$dir/bus" 2>>"$dir/server.log") || {
        echo "with-pipewire: the session bus did not start" >&2
        exit 2
    }
    echo "$bus" | sed -n 2p >>"$dir/pids"
    export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p)
fi

start() {  # name, command...
    local name=$1
    shift
    "$@" >>"$dir/$name.log" 2>&1 &
    echo "$!" >>"$dir/pids"
    echo "$!" >>"$dir/session-pids"
    last_pid=$!
}

# Starts PipeWire, WirePlumber and pipewire-pulse in $dir (on the session bus already running),
# makes the null sink and selects it and its monitor. Sets pipewire_pid; returns 1 when the
# session does not come up.
start_session() {
    start pipewire pipewire
    pipewire_pid=$last_pid
    for _ in $(seq 100); do
        [ -S "$dir/pipewire-0" ] && break
        sleep 0.05
    done
    start wireplumber wireplumber
    start pipewire-pulse pipewire-pulse

    local ready=0
    for _ in $(seq 100); do
        if pactl info >/dev/null 2>&1 && pw-cli info 0 >/dev/null 2>&1; then
            ready=1
            break
        fi
        sleep 0.05
    done
    if [ "$ready" -ne 1 ]; then
        echo "with-pipewire: PipeWire did not start:" >&2
        cat "$dir"/*.log >&2
        return 1
    fi

    # A sink of PipeWire's own, not pipewire-pulse's module-null-sink, so that it outlives a
    # restart of pipewire-pulse. Its properties are exported, so that a test that destroys it
    # (pw-cli destroy kavrin_null) can make it again with
    # pw-cli create-node adapter "$KAVRIN_PIPEWIRE_SINK_PROPS".
    export KAVRIN_PIPEWIRE_SINK_PROPS="{ factory.name=support.null-audio-sink node.name=$sink
        node.description=\"Kavrin null sink\" media.class=Audio/Sink object.linger=true
        audio.position=[ FL FR ] monitor.channel-volumes=true }"
    pw-cli create-node adapter "$KAVRIN_PIPEWIRE_SINK_PROPS" >>"$dir/server.log" 2>&1
    for _ in $(seq 100); do
        pactl list short sinks 2>/dev/null | grep -q "[[:space:]]$sink[[:space:]]" && break
        sleep 0.05
    done
    pactl set-default-sink "$sink" && pactl set-default-source "$sink.monitor" || {
        echo "with-pipewire: could not select the null sink and its monitor" >&2
        cat "$dir"/*.log >&2
        return 1
    }
}

if [ "${restart:-0}" = 1 ]; then
    # What is left of the lost session (WirePlumber and pipewire-pulse may outlive PipeWire)
    # ends first; the new one runs on the same bus and sockets.
    while read -r pid; do
        [ -n "$pid" ] && end_process "$pid"
    done < <(tac "$dir/session-pids" 2>/dev/null)
    : >"$dir/session-pids"
    rm -f "$dir/pipewire-0" "$dir/pipewire-0.lock" "$dir/pulse/native"
    # The new session outlives this call; its output goes to the logs.
    start_session </dev/null || exit 2
    echo "$pipewire_pid"
    exit 0
fi

start_session || exit 2

mkdir -p "$dir/alsa.conf.d"
for file in /etc/alsa/conf.d/*.conf; do
    [ -e "$file" ] || continue
    grep -q pulse_load_if_running "$file" && continue
    ln -s "$(readlink -f "$file")" "$dir/alsa.conf.d/$(basename "$file")"
done
sed "s#\"/etc/alsa/conf.d\"#\"$dir/alsa.conf.d\"#" /usr/share/alsa/alsa.conf >"$dir/alsa.conf"
cat >"$dir/asound.conf" <<CONF
pcm_type.pipewire {
    lib "$plugins/libasound_module_pcm_pipewire.so"
}
ctl_type.pipewire {
    lib "$plugins/libasound_module_ctl_pipewire.so"
}
pcm.!default {
    type pipewire
    playback_node "-1"
    capture_node "-1"
    hint.description "Private PipeWire session"
}
ctl.!default {
    type pipewire
}
CONF
export ALSA_CONFIG_PATH="$dir/alsa.conf:$dir/asound.conf"

export KAVRIN_PIPEWIRE_PID=$pipewire_pid
export KAVRIN_PIPEWIRE_RESTART="$(cd "$(dirname "$0")" && pwd)/$(basename "$0") --restart"
export KAVRIN_SOUND_SERVER=pipewire

"$@"
exit $?
