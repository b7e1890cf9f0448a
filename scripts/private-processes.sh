# Sourced by the scripts that start private servers for a command (with-pulseaudio.sh,
# with-pipewire.sh): each process they start is listed in $dir/pids, and all of them end, last
# started first, when the script exits; $dir is removed then. Sets the exit traps.

# A process that has not ended. Those started by an earlier call (a server restarted from
# inside the command) are no children of this script, and a zombie of theirs may never be
# reaped: it counts as ended.
running() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat%% *}" != Z ]
}
# Ends a process (a server gets up to 5 s for a clean exit).
end_process() {
    running "$1" || return 0
    kill "$1" 2>/dev/null
    for _ in $(seq 50); do
        running "$1" || break
        sleep 0.1
    done
    kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
cleanup() {
    local pid
    # Keepers first: each ends with its server anyway.
    while read -r pid; do
        [ -n "$pid" ] && end_process "$pid"
    done < <(tac "$dir/pids" 2>/dev/null)
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
