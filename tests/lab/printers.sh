#!/usr/bin/env bash
# Starts the lab's SNMP printers (printers.tsv) and its SNMPv3-only printers (v3printers.tsv),
# and gives the LAN a silent address: 127.1.0.99 is on the LAN interface but no agent
# listens there. Runs inside the lab.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ip -4 -o addr show dev "$LAB_LAN_IF" | grep " 127.1.0.99/" >/dev/null || ip addr add 127.1.0.99/24 dev "$LAB_LAN_IF"
while IFS=$'\t' read -r address oid name descr model communities; do
  [[ -z $address || $address == \#* ]] && continue
  [ -f "$PRALO_LAB_DIR/printer-$address/pid" ] && continue
  options=()
  [ "$model" = - ] || options=(--model "$model")
  IFS=, read -r -a community_list <<<"$communities"
  lab-printer "${options[@]}" "$address" "$oid" "$name" "$descr" "${community_list[@]}"
done <"$here/printers.tsv"
while IFS=$'\t' read -r address oid name descr model; do
  [[ -z $address || $address == \#* ]] && continue
  [ -f "$PRALO_LAB_DIR/printer-$address/pid" ] && continue
  options=()
  [ "$model" = - ] || options=(--model "$model")
  lab-v3-printer "${options[@]}" "$address" "$oid" "$name" "$descr"
done <"$here/v3printers.tsv"
echo "lab printers up"
