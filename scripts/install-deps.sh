#!/bin/sh
# Installs the Debian packages that building, testing and benchmarking quor2 need,
# or those given as arguments.
# Idempotent: prints nothing and touches nothing when everything is already there.
set -eu

PACKAGES="
cmake g++ make pkg-config
libboost-dev libboost-regex-dev libboost-thread-dev libboost-system-dev
libssh-dev libcrypt-dev libsnmp-dev libssl-dev libgtest-dev libgmock-dev
procps iputils-ping busybox openssl openssh-client openssh-server sshpass snmpd
clang libclang-rt-14-dev dpkg-dev file groff-base gcovr python3-paramiko
monitoring-plugins-basic
"
[ $# -eq 0 ] || PACKAGES="$*"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
