#!/usr/bin/env bash
# Runs a command on a private Weston compositor (software rendering), so that window tests run on
# native Wayland as on a GNOME or KDE desktop: WAYLAND_DISPLAY names it, DISPLAY is unset and
# GDK_BACKEND=wayland keeps the toolkit off any X server.
#
#   xvfb-run -a scripts/with-weston.sh COMMAND [ARGS...]
#
# Under an X server (DISPLAY set, Xvfb in the test runs) Weston runs nested in a window of it,
# with a seat (a keyboard and a pointer) as a desktop has; without one it runs headless and has
# no seat, where the toolkit complains of every key or pointer query. Everything it keeps lives
# in a temporary folder that is removed afterwards. Exits with the command's exit code.
set -u

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
if ! command -v weston >/dev/null 2>&1; then
    echo "with-weston: 'weston' not found (install weston)" >&2
    exit 2
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/kavrin-weston.XXXXXX") || exit 2
chmod 700 "$dir"
weston_pid=""
cleanup() {
    if [ -n "$weston_pid" ]; then
        kill "$weston_pid" 2>/dev/null
        wait "$weston_pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export XDG_RUNTIME_DIR="$dir"
socket=kavrin-wayland
backend=headless-backend.so
[ -n "${DISPLAY:-}" ] && backend=x11-backend.so
weston --backend="$backend" --use-pixman --socket="$socket" --width=1600 --height=1200 \
    --idle-time=0 >"$dir/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [ -S "$dir/$socket" ] && break
    if ! kill -0 "$weston_pid" 2>/dev/null; then break; fi
    sleep 0.05
done
if [ ! -S "$dir/$socket" ]; then
    echo "with-weston: Weston did not start:" >&2
    cat "$dir/weston.log" >&2
    exit 2
fi

export WAYLAND_DISPLAY="$socket"
export GDK_BACKEND=wayland
unset DISPLAY

"$@"
exit $?
