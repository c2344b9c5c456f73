#!/bin/sh
# `cmake --install` into a DESTDIR: the FHS layout, the modes, and an existing
# configuration left alone on a second install.
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null
root=$dest/usr/local
for f in sbin/quor2 bin/quor2-client share/man/man8/quor2.8 share/man/man5/quor.ini.5 \
         share/man/man1/quor2-client.1 share/doc/quor2/examples/quor.ini \
         share/doc/quor2/examples/quor2.logrotate share/quor2/quor.ini \
         lib/systemd/system/quor2.service etc/quor2/quor.ini; do
    [ -f "$root/$f" ] || fail "missing $f"
done
[ -x "$root/sbin/quor2" ] || fail "quor2 not executable"
[ "$(stat -c %a "$root/etc/quor2/quor.ini")" = 600 ] || fail "quor.ini is not mode 0600"
grep -q '^ExecStart=/usr/local/sbin/quor2 /usr/local/etc/quor2/quor.ini$' \
    "$root/lib/systemd/system/quor2.service" || fail "unit does not run the installed agent"
grep -q '^ *copytruncate$' "$root/share/doc/quor2/examples/quor2.logrotate" || fail "logrotate example"

echo "; edited by the administrator" >> "$root/etc/quor2/quor.ini"
DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null
grep -q 'edited by the administrator' "$root/etc/quor2/quor.ini" || fail "configuration overwritten"

# The installed configuration has a random password and the installed key
# folder with its RSA and Ed25519 host keys, which the agent loads.
grep -q '^monitor = [0-9a-f]\{36\}$' "$root/etc/quor2/quor.ini" || fail "no random password"
grep -q '^keyFolder = /usr/local/etc/quor2$' "$root/etc/quor2/quor.ini" || fail "key folder"
sed "s|^keyFolder = .*|keyFolder = $root/etc/quor2|" "$root/etc/quor2/quor.ini" > "$dest/quor.ini"
chmod 600 "$dest/quor.ini"
"$root/sbin/quor2" --check-config "$dest/quor.ini" >"$dest/report" ||
    { cat "$dest/report"; fail "installed configuration rejected"; }
grep -q 'host keys loaded = RSA, Ed25519' "$dest/report" || fail "installed host keys not loaded"

for page in quor2.8 quor.ini.5 quor2-client.1; do
    section=${page##*.}
    out=$(groff -man -ww -z -Tutf8 "$root/share/man/man$section/$page" 2>&1) || fail "groff $page"
    [ -z "$out" ] || fail "man page $page: $out"
done
echo "install layout ok"
