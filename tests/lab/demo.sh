#!/usr/bin/env bash
# The demo lab of scripts/run: starts the program, then either leaves it to the user's
# display or photographs it on the lab's virtual display and closes it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin="$repo/build/windows/bin"
program="$bin/pipeline_demo.exe"

if [ -n "${PRALO_USER_DISPLAY:-}" ]; then
  export DISPLAY=$PRALO_USER_DISPLAY
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
  exec wine "$program"
fi

wine "$program" &
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
