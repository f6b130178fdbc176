#!/usr/bin/env bash
# The bi-directional watch at scale, inside the lab (run.sh runs it; `scripts/lab
# bench/watch.sh [SECONDS]` alone): 20 answering agents on the LAN and 20 silent LAN
# addresses; 500, 2,000 and 5,000 ports, status every 10 s. Prints Markdown rows.
# MONITOR, a folder of the monitor's files, is installed instead of the build's: the
# same run can measure an older build beside this one.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/windows/bin"
seconds=${1:-60}
wine "${MONITOR:-$repo/build/windows/dist/monitor}/PrlSetup.exe" install >/dev/null 2>&1
agents=() silent=()
for i in $(seq 100 119); do
  lab-printer --state ready "127.1.0.$i" 1.3.6.1.4.1.99901.1.10 "bench-$i" "Kestrel LaserPro 4100" mirabo >/dev/null
  agents+=("127.1.0.$i")
done
for i in $(seq 200 219); do silent+=("127.1.0.$i"); done
# The wineserver's CPU is read from its /proc entry, through Wine's Z: drive.
server=$(pgrep -o '^wineserver' || true)
[ -z "$server" ] || export WINESERVER_STAT="Z:\\proc\\$server\\stat"
echo "| ports | watch threads | committed memory | CPU per minute | wineserver's CPU per minute | every answering printer's words written | Shutdown |"
echo "|---|---|---|---|---|---|---|"
for ports in ${PORTS:-500 2000 5000}; do
  wine "$bin/watch_bench.exe" "$ports" "$seconds" "${agents[@]}" -- "${silent[@]}" 2>/dev/null | tr -d '\r'
done
