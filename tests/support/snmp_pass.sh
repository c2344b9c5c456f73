#!/bin/sh
# snmpd's pass protocol, from tests/fixtures/snmpd (the working folder):
# asked "-g OID", print the OID, its type and value as listed in "values".
[ "$1" = -g ] || exit 0
while read -r oid type value; do
  [ "$oid" = "$2" ] && printf '%s\n%s\n%s\n' "$oid" "$type" "$value" && exit 0
done <values
