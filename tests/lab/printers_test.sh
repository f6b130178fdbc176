#!/usr/bin/env bash
# The lab's printers answer snmpget with their own identity, and only for their own
# communities: one on the LAN, one on the remote subnet, one with a private community.
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
echo "the lab printers answer as they should"
