#!/bin/bash
# The table of the host checks: what CPU, RAM, Swap, DiskSpace, Processes
# and a ping of 127.0.0.1 cost the host when the agent runs them, beside
# reading the same figures from /proc directly (quor2-bench-checks).
#
#   bench/run-check-bench.sh [BUILD_DIR]   (make bench runs it after the
#                                          other table; make bench-checks alone)
#
# QUOR2_BENCH_CHECK_OPTIONS adds options of quor2-bench-checks, e.g.
# "--runs 5" for a quick look (default 25 runs a check, about a minute).
#
# Needs no root: the agent runs as the caller, on a free loopback port, with
# fresh host keys and a random password in a temporary folder that goes
# again on exit.
set -euo pipefail

build=${1:-build}
build=$(cd "$build" && pwd)
agent=$build/quor2
bench=$build/bench/quor2-bench-checks
for program in "$agent" "$bench"; do
    [ -x "$program" ] || { echo "missing $program (make bench builds it)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/quor2-check-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# A TCP port that nothing listens on, checked in /proc/net/tcp.
port=
while [ -z "$port" ]; do
    port=$((21000 + RANDOM % 10000))  # below the ephemeral ports
    if grep -qi ":$(printf '%04X' "$port") [0-9A-F:]* 0A " /proc/net/tcp /proc/net/tcp6; then
        port=
    fi
done

umask 077
ssh-keygen -q -t ed25519 -N '' -f "$work/ssh_host_ed25519_key"
password=$(head -c 24 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
printf '%s\n' "$password" >"$work/password"
cat >"$work/quor.ini" <<INI
[agent]
port = $port
keyFolder = $work
loglevel = Error
checks = CPU, RAM, Swap, DiskSpace, Processes, Ping

[password]
bench = $password
INI

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB RAM", $2 / 1048576 }' /proc/meminfo)
"$bench" --user bench --password-file "$work/password" \
    --quor2-port "$port" --quor2-command "$agent $work/quor.ini" --quor2-log "$work/agent.log" \
    --machine "$(nproc) CPUs (${cpu:-unknown}), $memory" ${QUOR2_BENCH_CHECK_OPTIONS:-} || {
    status=$?
    echo "--- quor2 log:" >&2; tail -n 20 "$work/agent.log" >&2 || true
    exit "$status"
}
