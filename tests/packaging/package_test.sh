#!/bin/sh
# The Debian package on this host, as an administrator meets it: install,
# the account, the configuration and keys with their modes, a password set
# with --hash-password, the service's command line serving the client, purge. Needs root; exits 77 (skipped)
# where it must not touch the host.
set -eu
build=$1
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v dpkg >/dev/null || skip "no dpkg"
dpkg-query -W -f='${Status}' quor2 2>/dev/null | grep -q installed && skip "quor2 already installed"
[ -e /etc/quor2 ] && skip "/etc/quor2 exists"
getent passwd quor >/dev/null && skip "user quor exists"

work=$(mktemp -d)
agent=""
cleanup() {
    [ -n "$agent" ] && kill "$agent" 2>/dev/null || true
    dpkg --purge quor2 >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -B "$work" >/dev/null) || fail "cpack"
deb=$(ls "$work"/quor2_*.deb)
dpkg-deb -c "$deb" > "$work/contents"
dpkg-deb -I "$deb" > "$work/info"
grep -q ' ./usr/sbin/quor2$' "$work/contents" || fail "no agent in sbin"
grep -q ' ./usr/bin/quor2-client$' "$work/contents" || fail "no client in bin"
grep -q ' ./usr/lib/systemd/system/quor2.service$' "$work/contents" || fail "no unit"
grep -q ' ./usr/share/man/man8/quor2.8' "$work/contents" || fail "no manual page"
grep -q ' ./etc/' "$work/contents" && fail "the package must not ship /etc files"
grep -q 'Depends:.*libssh' "$work/info" || fail "no libssh dependency"

dpkg -i "$deb" >/dev/null || fail "dpkg -i"
getent passwd quor >/dev/null || fail "no user quor"
[ "$(stat -c '%U %a' /etc/quor2)" = "quor 750" ] || fail "/etc/quor2: $(stat -c '%U %a' /etc/quor2)"
[ "$(stat -c '%U %a' /etc/quor2/quor.ini)" = "quor 600" ] || fail "quor.ini mode"
for key in rsa ed25519; do
    [ "$(stat -c '%U %a' /etc/quor2/ssh_host_${key}_key)" = "quor 600" ] || fail "$key key mode"
done
grep -q '^monitor = {CRYPT}\$y\$' /etc/quor2/quor.ini || fail "no hashed generated password"
# As the README tells an administrator to set a password of their own.
password=s3cret-of-the-test
hash=$(printf '%s\n' "$password" | /usr/sbin/quor2 --hash-password)
sed -i "s|^monitor = .*|monitor = $hash|" /etc/quor2/quor.ini

unit=/usr/lib/systemd/system/quor2.service
grep -q '^ExecStart=/usr/sbin/quor2 /etc/quor2/quor.ini$' $unit || fail "unit command line"
grep -q '^User=quor$' $unit || fail "unit user"
if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify $unit >"$work/verify" 2>&1 || { cat "$work/verify"; fail "systemd-analyze verify"; }
fi

# The unit's command line, as its user; the port is the installed one.
port=$(sed -n 's/^port = //p' /etc/quor2/quor.ini)
printf '%s\n' "$password" > "$work/password"
setpriv --reuid=quor --regid=quor --init-groups /usr/sbin/quor2 /etc/quor2/quor.ini 2>"$work/log" &
agent=$!
i=0
until quor2-client --port "$port" --user monitor --password-file "$work/password" list \
        >"$work/list" 2>&1; do
    i=$((i + 1))
    [ $i -lt 100 ] || { cat "$work/log" "$work/list"; fail "client cannot reach the agent"; }
    sleep 0.1
done
grep -q 'CPU' "$work/list" || fail "listing: $(cat "$work/list")"
quor2-client --port "$port" --user monitor --password-file "$work/password" \
    run CPU 'Load Limit [%]=100' >"$work/run" || fail "CPU run: $(cat "$work/run")"
kill -TERM "$agent"
wait "$agent" || fail "agent exit status $?"
agent=""

dpkg --purge quor2 >/dev/null || fail "purge"
[ -e /etc/quor2 ] && fail "/etc/quor2 left after purge"
getent passwd quor >/dev/null && fail "user quor left after purge"
echo "package ok"
