#!/usr/bin/env bash
# The benchmarks, inside the lab: scripts/lab bench/run.sh (or scripts/bench).
# Prints Markdown table rows; nothing here is a pass or a fail.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/windows/bin"
"$repo/tests/lab/printers.sh" >/dev/null
wine "$repo/build/windows/dist/monitor/PrlSetup.exe" install >/dev/null 2>&1
# The printers a search must report: the LAN's, and the remote subnet's, that answer
# "mirabo" or "public".
reachable() { awk -F'\t' -v prefix="$1" 'index($1, prefix) == 1 && $6 ~ /(mirabo|public)/ {print $1}' "$repo/tests/lab/printers.tsv"; }
lan=$(reachable 127.1.0. | tr '\n' ' ')
remote=$(reachable 127.2.0. | tr '\n' ' ')
lan_printers=$(echo $lan | wc -w)
# A printer deep in a /16 that only a whole-subnet search finds.
lab-printer 127.5.200.77 1.3.6.1.4.1.99901.2.5 deep-office "Kestrel Office 250" mirabo >/dev/null

echo "| measure | median | worst |"
echo "|---|---|---|"
wine "$bin/identify_bench.exe" 127.1.0.20 127.1.0.99 5 127.1.0.70 admin admin-auth-pass admin-priv-pass 2>/dev/null | tr -d '\r'

echo
echo "| measure | time |"
echo "|---|---|"
sweep() { wine "$bin/sweep_bench.exe" "$@" 2>/dev/null | tr -d '\r'; }
sweep "the LAN /24 (ARP on)" 10 $lan
sweep "the LAN and an added /24" 10 --subnet 127.2.0.0/255.255.255.0 $lan $remote
sweep "the LAN and an added /16 (127.5.200.77 deep in it)" 300 --subnet 127.5.0.0/255.255.0.0 127.5.200.77

echo
wine "$bin/program_bench.exe" "$(winepath -w "$bin/minimal_dialog.exe")" "$lan_printers" 127.1.0.20 127.1.0.99 2>/dev/null | tr -d '\r'

# The sweep a user would script with net-snmp: one host after the other.
start=$(date +%s%N)
found=0
all_found=
for host in $(seq 1 254); do
  for community in mirabo public; do
    if snmpget -v1 -t 1 -r 0 -c "$community" "127.1.0.$host" .1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; then
      found=$((found + 1))
      [ "$found" -eq "$lan_printers" ] && all_found=$(( ($(date +%s%N) - start) / 1000000 ))
      break
    fi
  done
done
echo "| naive snmpget loop (-t 1 -r 0, both communities): every printer reported ($found of $lan_printers) | ${all_found:-never} ms |"
echo "| naive snmpget loop: sweep ended | $(( ($(date +%s%N) - start) / 1000000 )) ms |"

# Printing: 64 MB through the monitor against a plain sender, to the lab's receivers and
# its IPP printer. OLDER_MONITOR, a folder of another build's monitor files, prints the
# IPP jobs too, in the same rounds.
echo
"$repo/tests/printing/receivers.sh" >/dev/null
"$repo/tests/lab/bin/lab-ipp-printer" start 8631 >/dev/null
older=()
[ -z "${OLDER_MONITOR:-}" ] || older=("$(winepath -w "$OLDER_MONITOR/PraloLpr.dll")")
wine "$bin/print_bench.exe" 127.1.0.40 127.1.0.45 64 127.1.0.60:8631 "${older[@]}" 2>/dev/null | tr -d '\r'

# The bi-directional watch with thousands of ports.
echo
"$repo/bench/watch.sh"
