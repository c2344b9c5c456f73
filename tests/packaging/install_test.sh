#!/bin/sh
# `cmake --install` into a DESTDIR: the layout, the modes, an edited
# configuration kept on a second install, and one the agent accepts.
set -eu
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
install_into_dest() { DESTDIR=$dest cmake --install "$1" --prefix /usr/local >/dev/null; }

install_into_dest "$1"
root=$dest/usr/local
for f in sbin/quor2 bin/quor2-client share/man/man8/quor2.8 share/man/man5/quor.ini.5 \
         share/man/man1/quor2-client.1 share/doc/quor2/examples/quor.ini share/quor2/quor.ini \
         share/doc/quor2/examples/checks.d/tcp-port.ini \
         lib/systemd/system/quor2.service; do
    [ -f "$root/$f" ] || fail "missing $f"
done
[ "$(stat -c %a "$root/etc/quor2/quor.ini")" = 600 ] || fail "quor.ini is not mode 0600"
grep -q '^ExecStart=/usr/local/sbin/quor2 /usr/local/etc/quor2/quor.ini$' \
    "$root/lib/systemd/system/quor2.service" || fail "unit does not run the installed agent"
grep -q '^ *copytruncate$' "$root/share/doc/quor2/examples/quor2.logrotate" || fail "logrotate"
echo "; edited" >> "$root/etc/quor2/quor.ini"
install_into_dest "$1"
grep -q '^; edited$' "$root/etc/quor2/quor.ini" || fail "configuration overwritten"

# A random password, and the installed key folder with RSA and Ed25519 keys.
grep -q '^monitor = [0-9a-f]\{36\}$' "$root/etc/quor2/quor.ini" || fail "no random password"
grep -q '^keyFolder = /usr/local/etc/quor2$' "$root/etc/quor2/quor.ini" || fail "key folder"
sed "s|^keyFolder = .*|keyFolder = $root/etc/quor2|" "$root/etc/quor2/quor.ini" > "$dest/quor.ini"
chmod 600 "$dest/quor.ini"
"$root/sbin/quor2" --check-config "$dest/quor.ini" | grep -q 'host keys loaded = RSA, Ed25519' ||
    fail "installed configuration or host keys rejected"
echo "install layout ok"
