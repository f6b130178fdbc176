#!/usr/bin/env bash
# Two lab printers, one on the LAN and one on the remote subnet, each answer snmpget
# with their own identity, and only for their own community.
set -euo pipefail
lab-printer 127.1.0.20 1.3.6.1.4.1.99999.1.1 lan-printer "LAN test printer" mirabo
lab-printer 127.2.0.20 1.3.6.1.4.1.99999.2.7 remote-printer "Remote test printer" public

get() { snmpget -v1 -t 1 -r 0 -On -Oqv -c "$2" "$1" "$3"; }
expect() {
  [ "$1" = "$2" ] || { echo "expected '$2', got '$1'" >&2; exit 1; }
}
expect "$(get 127.1.0.20 mirabo .1.3.6.1.2.1.1.2.0)" ".1.3.6.1.4.1.99999.1.1"
expect "$(get 127.1.0.20 mirabo .1.3.6.1.2.1.1.5.0)" "\"lan-printer\""
expect "$(get 127.2.0.20 public .1.3.6.1.2.1.1.2.0)" ".1.3.6.1.4.1.99999.2.7"
expect "$(get 127.2.0.20 public .1.3.6.1.2.1.1.1.0)" "\"Remote test printer\""
if get 127.1.0.20 public .1.3.6.1.2.1.1.2.0 >/dev/null 2>&1; then
  echo "the LAN printer answered a community it was not given" >&2
  exit 1
fi
echo "both lab printers answer"
