#!/usr/bin/env bash
# Starts the lab's print receivers once, inside the lab: raw printers at TCP 9100 on LAN
# addresses (127.1.0.42 goes away after 64 KiB of each job) and LPRng's lpd with the
# queues "hoq" and "labels". 127.1.0.250 stays silent: on the LAN, owned by nobody.
set -euo pipefail
out="$PRALO_LAB_DIR/print"
mkdir -p "$out"
start_raw() {
  local address=$1
  shift
  [ -f "$out/raw-$address/ready" ] && return 0
  ip -4 -o addr show dev "$LAB_LAN_IF" | grep -q " $address/" || ip addr add "$address/24" dev "$LAB_LAN_IF"
  lab-raw-printer "$address" 9100 "$out/raw-$address" "$@" </dev/null >"$out/raw-$address.log" 2>&1 &
  lab_pid=$!
  echo "$lab_pid" >>"$PRALO_LAB_DIR/pids"
  for _ in $(seq 100); do
    [ -f "$out/raw-$address/ready" ] && return 0
    sleep 0.05
  done
  echo "receivers: raw printer $address did not start: $(cat "$out/raw-$address.log")" >&2
  return 1
}
start_raw 127.1.0.40
start_raw 127.1.0.41
start_raw 127.1.0.42 --close-after 65536
ip -4 -o addr show dev "$LAB_LAN_IF" | grep -q " 127.1.0.45/" || ip addr add 127.1.0.45/24 dev "$LAB_LAN_IF"
ss -Htln | grep -q ":515 " || lab-lpd "$out/lpd" hoq labels
echo "print receivers up"
