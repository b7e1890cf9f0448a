#!/usr/bin/env bash
# The README's recipe for an archive spread over several machines, run as written: GNU parallel
# hands the files to two "hosts" (two sshd processes on 127.0.0.1, each on its own port, with
# host keys, a client key and configuration made here) and brings the CSVs back. Every CSV must
# be the very bytes a local run writes.
#   parallel_over_ssh_test.sh KAVRIN_ANALYZE
set -euo pipefail
analyzer=$(realpath "$1")
deadline=120  # seconds for the whole test

work=$(mktemp -d /tmp/kavrin-ssh-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/sshd-*.log; do [ -s "$log" ] && grep -iv "disconnect\|Accepted" "$log" | sed 's/^/  /' >&2; done
    exit 1
}

# sshd as root wants its privilege separation directory.
[ "$(id -u)" -eq 0 ] && mkdir -p /run/sshd
sshd=$(command -v sshd || echo /usr/sbin/sshd)
[ -x "$sshd" ] || fail "sshd is missing (package openssh-server)"
command -v parallel >/dev/null || fail "GNU parallel is missing (package parallel)"
command -v rsync >/dev/null || fail "rsync is missing (GNU parallel moves files with it)"

# The analyzer's folder comes first on the hosts' PATH, as an installed kavrin-analyze would.
mkdir -p "$work/bin"
ln -s "$analyzer" "$work/bin/kavrin-analyze"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
cp "$work/client_key.pub" "$work/authorized_keys"
chmod 600 "$work/authorized_keys"
user=$(id -un)

ports=()
for host in a b; do
    port=$((20000 + RANDOM % 20000))
    ssh-keygen -q -t ed25519 -N '' -f "$work/host_key_$host"
    cat >"$work/sshd_config_$host" <<CONF
ListenAddress 127.0.0.1
Port $port
HostKey $work/host_key_$host
PidFile $work/sshd-$host.pid
AuthorizedKeysFile $work/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
PubkeyAuthentication yes
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
SetEnv PATH=$work/bin:/usr/local/bin:/usr/bin:/bin
CONF
    "$sshd" -D -e -f "$work/sshd_config_$host" 2>"$work/sshd-$host.log" &
    pids+=($!)
    ports+=("$port")
    cat >>"$work/ssh_config" <<CONF
Host host-$host
    HostName 127.0.0.1
    Port $port
    User $user
    IdentityFile $work/client_key
    IdentitiesOnly yes
    StrictHostKeyChecking no
    UserKnownHostsFile $work/known_hosts
    BatchMode yes
    ConnectTimeout 10
CONF
done

# Both hosts answer before the recipe runs (each try bounded by ConnectTimeout).
for host in a b; do
    ok=0
    for _ in $(seq 50); do
        if ssh -F "$work/ssh_config" "host-$host" true 2>/dev/null; then ok=1; break; fi
        sleep 0.1
    done
    [ "$ok" = 1 ] || fail "host-$host did not accept the key"
done

# An archive of a few recordings in two folders, one name in both, one with a blank.
mkdir -p "$work/archive/day1" "$work/archive/day2"
head -c 300000 /dev/urandom >"$work/archive/day1/call.wav"
head -c 200000 /dev/urandom >"$work/archive/day2/call.wav"
head -c 123457 /dev/urandom >"$work/archive/day2/late interview.wav"
head -c 50000 /dev/urandom >"$work/archive/day1/short.wav"

cd "$work/archive"
export PARALLEL_SSH="ssh -F $work/ssh_config"
export PARALLEL_HOME="$work/parallel-home"
# --- the README's recipe ---
export RSYNC_OLD_ARGS=1
find . -name '*.wav' -printf '%P\0' |
    timeout "$deadline" parallel -0 --sshlogin 2/host-a,2/host-b --workdir ... \
        --transferfile {} --return out/{}.csv --cleanup \
        kavrin-analyze --jobs 1 --output-dir out/{//} {} 2>"$work/parallel.log" ||
    fail "the recipe failed: $(cat "$work/parallel.log")"
# ---

count=0
while IFS= read -r -d '' file; do
    count=$((count + 1))
    [ -f "out/$file.csv" ] || fail "no CSV came back for $file"
    (cd "$work/archive" && "$analyzer" --jobs 1 --no-progress --output-dir "$work/local/$(dirname "$file")" "$file" 2>/dev/null) ||
        fail "the local run of $file failed"
    cmp "out/$file.csv" "$work/local/$file.csv" || fail "$file: the CSV differs from a local run"
done < <(find . -path ./out -prune -o -name '*.wav' -printf '%P\0')
[ "$count" = 4 ] || fail "expected 4 recordings, found $count"
# Both hosts took part (beyond the first check), and their work folders were cleaned up.
for host in a b; do
    [ "$(grep -c "Accepted publickey" "$work/sshd-$host.log")" -gt 1 ] ||
        fail "host-$host was never used"
done
[ "$(grep -c "s of signal" "$work/parallel.log")" = 4 ] || fail "not one summary per file"
left=$(find "$HOME/.parallel/tmp" -type f -newer "$work/client_key" -print -quit 2>/dev/null || true)
[ -z "$left" ] || fail "the hosts kept $left"
echo "PASS: $count recordings analysed on two hosts, every CSV identical to a local run"
