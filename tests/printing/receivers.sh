#!/usr/bin/env bash
# Starts the lab's print receivers once, inside the lab: raw printers at TCP 9100 on LAN
# addresses and on ::1 (127.1.0.42 goes away after 64 KiB of each job, 127.1.0.43 stops
# taking data after 64 KiB, 127.1.0.44 takes a job and then talks without end, 127.1.0.46
# to .48 stop taking data after 64 KiB and take the rest 35 s later, 127.1.0.49 takes no
# connection: the first address of the name lab-two-addresses, 127.1.0.50 takes one byte
# every 5 s after 64 KiB); LPRng's
# lpd on IPv4 with the queues "hoq", "labels", "raw", "small" (jobs of 1 KiB at most) and
# "bench" that keeps nothing; at [::1]:515 an LPD whose queue "drip" refuses a job and
# sends its reason a byte at a time without end, and whose other queues never answer.
# 127.1.0.250 stays silent: on the LAN, owned by nobody.
set -euo pipefail
out="$PRALO_LAB_DIR/print"
mkdir -p "$out"
# Adds a LAN address to the LAN's interface unless it is there. (grep reads the whole
# listing: under pipefail, ip stopped early by grep -q would count as "not there".)
lan_address() {
  ip -4 -o addr show dev "$LAB_LAN_IF" | grep " $1/" >/dev/null || ip addr add "$1/24" dev "$LAB_LAN_IF"
}
# start_receiver PROGRAM FOLDER ADDRESS PORT [OPTION...]: a receiver of the lab's
# (lab-raw-printer, lab-odd-lpd) with its folder, once.
start_receiver() {
  local program=$1 name=$2 address=$3 port=$4
  shift 4
  [ -f "$out/$name/ready" ] && return 0
  [[ $address == 127.1.0.* ]] && lan_address "$address"
  "$program" "$address" "$port" "$out/$name" "$@" </dev/null >"$out/$name.log" 2>&1 &
  lab_pid=$!
  echo "$lab_pid" >>"$PRALO_LAB_DIR/pids"
  for _ in $(seq 100); do
    [ -f "$out/$name/ready" ] && return 0
    sleep 0.05
  done
  echo "receivers: $program at $address did not start: $(cat "$out/$name.log")" >&2
  return 1
}
# start_raw FOLDER ADDRESS PORT [--close-after|--stall-after BYTES [--resume-after S]|
# --full-queue]: a raw printer keeping its jobs in FOLDER.
start_raw() { start_receiver lab-raw-printer "$@"; }
start_raw raw-127.1.0.40 127.1.0.40 9100
start_raw raw-127.1.0.41 127.1.0.41 9100
start_raw raw-127.1.0.42 127.1.0.42 9100 --close-after 65536
start_raw raw-127.1.0.43 127.1.0.43 9100 --stall-after 65536
start_raw raw-127.1.0.44 127.1.0.44 9100 --chatter
start_raw raw-127.1.0.46 127.1.0.46 9100 --stall-after 65536 --resume-after 35
start_raw raw-127.1.0.47 127.1.0.47 9100 --stall-after 65536 --resume-after 35
start_raw raw-127.1.0.48 127.1.0.48 9100 --stall-after 65536 --resume-after 35
start_raw raw-127.1.0.49 127.1.0.49 9100 --full-queue
start_raw raw-127.1.0.50 127.1.0.50 9100 --stall-after 65536 --trickle 5
start_raw raw-ipv6 ::1 9100
lan_address 127.1.0.45
ss -Htln | grep -F "0.0.0.0:515 " >/dev/null || lab-lpd "$out/lpd" hoq labels raw small:mx=1 --discard bench
start_receiver lab-odd-lpd odd-lpd-ipv6 ::1 515
echo "print receivers up"
