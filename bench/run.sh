#!/usr/bin/env bash
# The benchmarks, inside the lab: scripts/lab bench/run.sh (or scripts/bench).
# Prints Markdown table rows; nothing here is a pass or a fail.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/windows/bin"
"$repo/tests/lab/printers.sh" >/dev/null
lan_printers=$(awk -F'\t' '$1 ~ /^127\.1\.0\./ && $6 ~ /(mirabo|public)/' "$repo/tests/lab/printers.tsv" | wc -l)

echo "| measure | median | worst |"
echo "|---|---|---|"
wine "$bin/identify_bench.exe" 127.1.0.20 127.1.0.99 5 2>/dev/null | tr -d '\r'

echo
echo "| measure | time |"
echo "|---|---|"
wine "$bin/sweep_bench.exe" "$lan_printers" 2>/dev/null | tr -d '\r'

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
