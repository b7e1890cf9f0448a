#!/usr/bin/env bash
# Starts the window program given (on the current X display) and waits until its main window is
# shown, then closes the program. Fails when no window shows within the deadline or the program
# ends first.
#
#   scripts/check-window-starts.sh PROGRAM [SECONDS]
set -u
program=${1:?usage: $0 PROGRAM [SECONDS]}
deadline=$((SECONDS + ${2:-30}))

"$program" &
pid=$!
finish() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
trap finish EXIT

# The main window carries the program's class ("kavrin" "Kavrin") and the document's title; the
# toolkit's own helper windows of that class are named after the program.
while [ "$SECONDS" -lt "$deadline" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "check-window-starts: $program ended before its window showed" >&2
        exit 1
    fi
    for id in $(xwininfo -root -tree 2>/dev/null |
        grep -v '"kavrin": (' | sed -n 's/^ *\(0x[0-9a-f]*\) "[^"]*": ("kavrin" "Kavrin").*/\1/p'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "check-window-starts: main window $id is shown"
            exit 0
        fi
    done
    sleep 0.2
done
echo "check-window-starts: no main window of $program within the deadline" >&2
exit 1
