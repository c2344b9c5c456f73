#!/bin/sh
# Installs the SSH clients, libraries and compilers that `make interop` runs against
# the agent. Idempotent: prints nothing and touches nothing when everything is there.
set -eu
exec "$(dirname "$0")/install-deps.sh" \
  openssh-client sshpass putty-tools dropbear-bin \
  python3 python3-paramiko python3-asyncssh \
  gcc libssh2-1-dev \
  golang-go golang-golang-x-crypto-dev \
  default-jdk-headless libjsch-java
