#!/usr/bin/env bash
# The lab's printers answer snmpget with their own identity, and only for their own
# communities: one on the LAN, one on the remote subnet, one with a private community.
# The SNMPv3-only printers answer net-snmp's snmpget -v3 for each user of v3users.tsv at its
# level, refuse a wrong pass phrase and an unknown user, and give v1 no answer.
set -euo pipefail
get() { snmpget -v1 -t 1 -r 0 -On -Oqv -c "$2" "$1" "$3"; }
expect() {
  [ "$1" = "$2" ] || { echo "expected '$2', got '$1'" >&2; exit 1; }
}
expect "$(get 127.1.0.20 mirabo .1.3.6.1.2.1.1.2.0)" ".1.3.6.1.4.1.99901.1.10"
expect "$(get 127.1.0.20 mirabo .1.3.6.1.2.1.1.5.0)" "\"kestrel-4100\""
expect "$(get 127.1.0.20 mirabo .1.3.6.1.2.1.25.3.2.1.3.1)" "\"Kestrel LaserPro 4100\""
expect "$(get 127.2.0.10 public .1.3.6.1.2.1.1.2.0)" ".1.3.6.1.4.1.99902.9.1"
expect "$(get 127.2.0.10 public .1.3.6.1.2.1.1.1.0)" "\"Ostrand Linebar 900\""
for refused in "127.1.0.20 public" "127.1.0.28 mirabo" "127.1.0.99 public"; do
  if get $refused .1.3.6.1.2.1.1.2.0 >/dev/null 2>&1; then
    echo "$refused answered although it must not" >&2
    exit 1
  fi
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
v3get() {  # ADDR USER LEVEL AUTH AUTHPASS PRIV PRIVPASS
  local options=(-v3 -t 1 -r 0 -On -Oqv -u "$2" -l "$3")
  [ "$4" = - ] || options+=(-a "$4" -A "$5")
  [ "$6" = - ] || options+=(-x "$6" -X "$7")
  snmpget "${options[@]}" "$1" .1.3.6.1.2.1.1.2.0
}
while IFS=$'\t' read -r address oid _; do
  [[ -z $address || $address == \#* ]] && continue
  while IFS=$'\t' read -r user level auth authpass priv privpass; do
    [[ -z $user || $user == \#* ]] && continue
    expect "$(v3get "$address" "$user" "$level" "$auth" "$authpass" "$priv" "$privpass")" ".$oid"
  done <"$here/v3users.tsv"
  if get "$address" public .1.3.6.1.2.1.1.2.0 >/dev/null 2>&1; then
    echo "$address answered SNMPv1 although it must not" >&2
    exit 1
  fi
  for refused in "admin authPriv SHA wrong-auth-pass AES admin-priv-pass" "nobody noAuthNoPriv - - - -"; do
    if v3get "$address" $refused >/dev/null 2>&1; then
      echo "$address answered $refused although it must not" >&2
      exit 1
    fi
  done
done <"$here/v3printers.tsv"
echo "the lab printers answer as they should"
