#!/bin/sh
# Creates the demo folder of `make run`: RSA and Ed25519 host keys, a random password
# for the user "demo" and a quor.ini that offers every check. Logins are
# accepted from this host only, over IPv4 or IPv6. An existing folder is left as it is.
set -eu
folder=${1:-demo}
[ -f "$folder/quor.ini" ] && exit 0
mkdir -p "$folder"
chmod 700 "$folder"
folder=$(cd "$folder" && pwd)
[ -f "$folder/ssh_host_rsa_key" ] || ssh-keygen -q -t rsa -b 3072 -N '' -f "$folder/ssh_host_rsa_key"
[ -f "$folder/ssh_host_ed25519_key" ] || ssh-keygen -q -t ed25519 -N '' -f "$folder/ssh_host_ed25519_key"
password=$(openssl rand -hex 12)
umask 077
printf '%s\n' "$password" > "$folder/password"
cat > "$folder/quor.ini" <<INI
; Demo configuration written by scripts/make-demo.sh.
[agent]
port = 20012
listen = 127.0.0.1, ::1
loglevel = Info
keyFolder = $folder
checks = CPU, Certificate, DiskSpace, Ping, Processes, RAM, SNMP, Swap, URL

[password]
demo = $password

[firewall]
demo = 127.0.0.1/32, ::1/128
INI
echo "Demo configuration written to $folder/quor.ini (user demo, password in $folder/password)."
