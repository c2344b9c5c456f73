#!/bin/sh
# snmpd's pass protocol in tests/fixtures/snmpd: for "-g OID", the OID, type and value in "values".
[ "$1" = -g ] || exit 0
while read -r oid type value; do
  [ "$oid" = "$2" ] && printf '%s\n%s\n%s\n' "$oid" "$type" "$value" && exit 0
done <values
