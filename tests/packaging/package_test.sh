#!/bin/sh
# The Debian package on this host as an administrator meets it: install, the
# account, configuration and keys with their modes, a password set with
# --hash-password, the unit's command line serving the client, purge. Needs
# root; exits 77 (skipped) where it must not touch the host.
set -eu
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] && command -v dpkg >/dev/null || skip "needs root and dpkg"
dpkg-query -W quor2 >/dev/null 2>&1 || [ -e /etc/quor2 ] || getent passwd quor >/dev/null &&
    skip "quor2, /etc/quor2 or user quor exists"

work=$(mktemp -d)
pid=""
trap 'set +e; rm -rf "$work"; [ -z "$pid" ] || kill "$pid"; dpkg --purge quor2 >/dev/null 2>&1' EXIT

(cd "$1" && cpack -B "$work" >/dev/null) || fail "cpack"
deb=$(ls "$work"/quor2_*.deb)
dpkg-deb -c "$deb" | grep -q ' ./etc/' && fail "the package must not ship /etc files"
dpkg-deb -I "$deb" | grep -q 'Depends:.*libssh' || fail "no libssh dependency"

dpkg -i "$deb" >/dev/null || fail "dpkg -i"
for f in /etc/quor2:750 /etc/quor2/quor.ini:600 /etc/quor2/ssh_host_rsa_key:600 \
         /etc/quor2/ssh_host_ed25519_key:600; do
    [ "$(stat -c '%U:%a' "${f%:*}")" = "quor:${f#*:}" ] || fail "$f: $(stat -c '%U:%a' "${f%:*}")"
done
[ "$(stat -c '%U:%G:%a' /etc/quor2/checks.d)" = root:quor:750 ] || fail "checks.d"
cp /usr/share/doc/quor2/examples/checks.d/zombies.ini /etc/quor2/checks.d/
grep -q '^monitor = {CRYPT}\$y\$' /etc/quor2/quor.ini || fail "no hashed generated password"
# As the README tells an administrator to set a password of their own.
printf 's3cret-of-the-test\n' > "$work/password"
hash=$(/usr/sbin/quor2 --hash-password < "$work/password")
sed -i "s|^monitor = .*|monitor = $hash|" /etc/quor2/quor.ini
unit=/usr/lib/systemd/system/quor2.service
grep -q '^User=quor$' $unit || fail "unit user"
grep -q '^ExecStart=/usr/sbin/quor2 /etc/quor2/quor.ini$' $unit || fail "unit command line"

# The unit's command line as its user, on the installed port.
set -- --port "$(sed -n 's/^port = //p' /etc/quor2/quor.ini)" --user monitor \
    --password-file "$work/password"
setpriv --reuid=quor --regid=quor --init-groups /usr/sbin/quor2 /etc/quor2/quor.ini 2>"$work/log" &
pid=$!
i=0
until quor2-client "$@" list >"$work/list" 2>&1; do
    i=$((i + 1))
    [ $i -lt 100 ] || { cat "$work/log" "$work/list"; fail "client cannot reach the agent"; }
    sleep 0.1
done
grep -q 'CPU' "$work/list" || fail "listing: $(cat "$work/list")"
quor2-client "$@" run CPU 'Load Limit [%]=100' >"$work/run" || fail "CPU run: $(cat "$work/run")"
# An example own check, read by the agent's user from the folder of root.
quor2-client "$@" run Zombies 'Zombie limit=999999' >"$work/run" || fail "own check: $(cat "$work/run")"
kill -TERM "$pid"
wait "$pid" || fail "agent exit status $?"
pid=""
dpkg --purge quor2 >/dev/null || fail "purge"
[ -e /etc/quor2 ] && fail "/etc/quor2 left after purge"
getent passwd quor >/dev/null && fail "user quor left after purge"
echo "package ok"
