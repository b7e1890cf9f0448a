#!/usr/bin/env bash
# The window program on native Wayland writes nothing on standard error while it runs. On a
# nested Weston (a seat: keyboard and pointer, as on a desktop) nothing at all; on a headless one
# (no seat) nothing once it has started: GTK itself prints a few GDK criticals while it starts on
# a display without a keyboard, but Kavrin's own key-state queries used to add one on every idle
# event, about 1,000 a minute.
#
#   tests/app/wayland_start_writes_nothing.sh PROGRAM    (under Xvfb, for the nested run)
set -u
program=${1:?usage: $0 PROGRAM}
here=$(cd "$(dirname "$0")/../.." && pwd)
failed=0
for backend in nested headless; do
    err=$(mktemp)
    config=$(mktemp -d)
    # The nested Weston needs the X server; the headless one must not see it.
    run=(env)
    [ "$backend" = headless ] && run=(env -u DISPLAY)
    # Seconds of idle events, timer ticks and repaints, once it has started: what it writes
    # meanwhile is what it would go on writing.
    "${run[@]}" XDG_CONFIG_HOME="$config" "$here/scripts/with-weston.sh" bash -c '
        "$1" 2>"$2" &
        pid=$!
        sleep 1.5
        started=$(stat -c %s "$2")
        sleep 3
        kill -0 "$pid" 2>/dev/null || { echo "the program ended early" >>"$2"; exit 1; }
        kill "$pid"
        wait "$pid" 2>/dev/null
        [ "$3" = headless ] && [ "$(stat -c %s "$2")" -eq "$started" ] && : >"$2"
        exit 0' run "$program" "$err" "$backend"
    status=$?
    if [ "$status" -ne 0 ] || [ -s "$err" ]; then
        echo "wayland_start_writes_nothing: on a $backend Weston (status $status):" >&2
        head -c 2000 "$err" >&2
        failed=1
    fi
    rm -rf "$err" "$config"
done
exit "$failed"
