#!/bin/sh
# Installs the SSH clients, libraries and compilers that `make interop` runs against
# the agent. Idempotent: prints nothing and touches nothing when everything is there.
set -eu

PACKAGES="
openssh-client sshpass putty-tools dropbear-bin
python3 python3-paramiko python3-asyncssh
gcc libssh2-1-dev
golang-go golang-golang-x-crypto-dev
default-jdk-headless libjsch-java
"

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
