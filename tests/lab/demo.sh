#!/usr/bin/env bash
# The demo lab of scripts/run: installs the monitor through its setup program, adds a
# few ports and printers, starts the lab's SNMP printers (for the wizard's search and
# identification), and starts the Port Manager. It either leaves the program to
# the user's display or photographs it on the lab's virtual display and closes it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
dist="$repo/build/windows/dist"

wine "$dist/monitor/PrlSetup.exe" install >/dev/null
wine reg import "$(winepath -w "$repo/tests/lab/demo.reg")" >/dev/null 2>&1
"$repo/tests/lab/printers.sh" >/dev/null

if [ -n "${PRALO_USER_DISPLAY:-}" ]; then
  export DISPLAY=$PRALO_USER_DISPLAY
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
  exec wine "$dist/PraloPM.exe"
fi

wine "$dist/PraloPM.exe" &
program_pid=$!
mkdir -p "$(dirname "$PRALO_SCREENSHOT")"
for _ in $(seq 40); do
  sleep 0.25
  import -window root -trim +repage "$PRALO_SCREENSHOT" 2>/dev/null || continue
  width=$(identify -format '%w' "$PRALO_SCREENSHOT")
  [ "$width" -gt 64 ] && break
done
kill "$program_pid" 2>/dev/null || true
echo "screenshot: $PRALO_SCREENSHOT"
