#!/bin/bash
# Benchmarks the agent against a minimal libssh server and OpenSSH's sshd on
# loopback and prints a table; then the table of the host checks
# (bench/run-check-bench.sh).
#
#   bench/run-bench.sh [BUILD_DIR]     (make bench runs it on build/)
#
# QUOR2_BENCH_OPTIONS adds options of quor2-bench, e.g. "--connections 50
# --seconds 2" for a quick look; QUOR2_BENCH_CHECK_OPTIONS those of
# quor2-bench-checks, e.g. "--runs 5".
#
# Needs root: sshd checks passwords against the system's accounts. For the
# run only, it adds the account quor2bench (random password, SHA-512 hash),
# starts /usr/sbin/sshd with a configuration of its own on a free loopback
# port (the host's sshd configuration is not read), and removes the account
# and every file again on exit. The forced command of that sshd is
# quor2-bench-responder, which writes the agent's greeting and answers every
# read with the agent's listing, so both servers move the same bytes. The
# minimal libssh server (quor2-bench-libssh) does the same in-process, with
# the agent's host keys.
set -euo pipefail

build=${1:-build}
if [ "$(id -u)" -ne 0 ]; then
    exec sudo -- "$0" "$@"
fi
build=$(cd "$build" && pwd)
agent=$build/quor2
bench=$build/bench/quor2-bench
responder=$build/bench/quor2-bench-responder
minimal=$build/bench/quor2-bench-libssh
account=quor2bench
for program in "$agent" "$bench" "$responder" "$minimal" /usr/sbin/sshd; do
    [ -x "$program" ] || { echo "missing $program (make bench builds it)" >&2; exit 1; }
done
if getent passwd "$account" >/dev/null; then
    echo "The account $account exists already; remove it (userdel $account) and run again." >&2
    exit 1
fi

work=$(mktemp -d /tmp/quor2-bench.XXXXXX)
made_account=0
made_privsep=0
cleanup() {
    [ "$made_account" -eq 0 ] || userdel "$account" 2>/dev/null || true
    [ "$made_privsep" -eq 0 ] || rmdir /run/sshd 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A TCP port that nothing listens on, checked in /proc/net/tcp.
free_port() {
    local port
    while :; do
        port=$((21000 + RANDOM % 10000))  # below the ephemeral ports
        if ! grep -qi ":$(printf '%04X' "$port") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6; then
            echo "$port"
            return
        fi
    done
}

chmod 755 "$work"
mkdir -m 700 "$work/agent" "$work/sshd"
password=$(head -c 24 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
printf '%s\n' "$password" >"$work/password"
chmod 600 "$work/password"
useradd --system --no-create-home --home-dir "$work" --shell /bin/sh "$account"
made_account=1
printf '%s:%s\n' "$account" "$password" | chpasswd -c SHA512
if [ ! -d /run/sshd ]; then
    mkdir -m 755 /run/sshd
    made_privsep=1
fi
# Host keys of the same types and size, in ssh-keygen's default format;
# the client picks RSA or Ed25519 per set-up.
for server in agent sshd; do
    ssh-keygen -q -t rsa -b 3072 -N '' -f "$work/$server/ssh_host_rsa_key"
    ssh-keygen -q -t ed25519 -N '' -f "$work/$server/ssh_host_ed25519_key"
done
install -m 755 "$responder" "$work/responder"

agent_port=$(free_port)
sshd_port=$(free_port)
while [ "$sshd_port" = "$agent_port" ]; do sshd_port=$(free_port); done
minimal_port=$(free_port)
while [ "$minimal_port" = "$agent_port" ] || [ "$minimal_port" = "$sshd_port" ]; do
    minimal_port=$(free_port)
done

cat >"$work/agent/quor.ini" <<INI
[agent]
port = $agent_port
keyFolder = $work/agent
loglevel = Error
checks = CPU
maxSessions = 400

[password]
$account = $password
INI

# No more limits on unauthenticated connections than the agent has, so the
# 200 sessions set up at once are no error of either server.
cat >"$work/sshd/sshd_config" <<CONF
Port $sshd_port
ListenAddress 127.0.0.1
HostKey $work/sshd/ssh_host_rsa_key
HostKey $work/sshd/ssh_host_ed25519_key
PidFile none
UsePAM no
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
PermitRootLogin no
AllowUsers $account
ForceCommand $work/responder
MaxStartups 1000
UseDNS no
PrintMotd no
PrintLastLog no
X11Forwarding no
AllowTcpForwarding no
AllowAgentForwarding no
PermitTTY no
LogLevel ERROR
CONF
/usr/sbin/sshd -t -f "$work/sshd/sshd_config"

echo "sshd: $(ssh -V 2>&1), UsePAM no, password hashed with SHA-512 (5000 rounds)," \
    "forced command quor2-bench-responder; host keys RSA 3072 bits and Ed25519 on all three."
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB RAM", $2 / 1048576 }' /proc/meminfo)
"$bench" --user "$account" --password-file "$work/password" \
    --quor2-port "$agent_port" --quor2-command "$agent $work/agent/quor.ini" \
    --quor2-log "$work/agent.log" \
    --sshd-port "$sshd_port" --sshd-command "/usr/sbin/sshd -D -e -f $work/sshd/sshd_config" \
    --sshd-log "$work/sshd.log" \
    --libssh-port "$minimal_port" --libssh-log "$work/libssh.log" \
    --libssh-command "$minimal $minimal_port $work/agent/ssh_host_rsa_key $work/agent/ssh_host_ed25519_key $account $work/password" \
    --machine "$(nproc) CPUs (${cpu:-unknown}), $memory" ${QUOR2_BENCH_OPTIONS:-} || {
    status=$?
    echo "--- quor2 log:" >&2; tail -n 20 "$work/agent.log" >&2 || true
    echo "--- sshd log:" >&2; tail -n 20 "$work/sshd.log" >&2 || true
    echo "--- libssh minimal log:" >&2; tail -n 20 "$work/libssh.log" >&2 || true
    exit "$status"
}
"$(dirname "$0")/run-check-bench.sh" "$build"
