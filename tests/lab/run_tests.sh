#!/usr/bin/env bash
# Runs every test inside the lab: the portable code's (sanitizers, fuzzing) beside the
# 64-bit and then the 32-bit Windows build's under Wine, then the summaries and one
# closing count. Arguments go to the three ctest runs; a selection may match tests in
# some of them only, and fails when it matches none in any.
set -uo pipefail
logs=$(mktemp -d)
ctest --preset native --no-tests=ignore "$@" >"$logs/native" 2>&1 &
native=$!
ctest --preset windows --no-tests=ignore "$@" 2>&1 | tee "$logs/windows"
windows_rc=${PIPESTATUS[0]}

# The 32-bit build, in the same prefix (it runs both bitnesses). Its own fixtures start
# the printers again after its hostile responder has had port 161 to itself.
for printer in "$PRALO_LAB_DIR"/printer-*; do
  [ -f "$printer/pid" ] && kill "$(cat "$printer/pid")" 2>/dev/null
  rm -rf "$printer"
done
sleep 0.5
echo
echo "The 32-bit build:"
ctest --preset windows32 --no-tests=ignore "$@" 2>&1 | tee "$logs/windows32"
windows32_rc=${PIPESTATUS[0]}
wait "$native"
native_rc=$?
echo
echo "Portable code on the host (AddressSanitizer, UBSan, libFuzzer):"
cat "$logs/native"

# "N% tests passed, F tests failed out of T" from each run, summed.
passed=0
failed=0
total=0
for log in "$logs/native" "$logs/windows" "$logs/windows32"; do
  read -r f t < <(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -1)
  failed=$((failed + ${f:-0}))
  passed=$((passed + ${t:-0} - ${f:-0}))
  total=$((total + ${t:-0}))
done
rm -rf "$logs"
echo
echo "$passed passed, $failed failed"
if [ "$total" -eq 0 ]; then
  echo "no test matches the selection: $*" >&2
  exit 1
fi
[ "$windows_rc" -eq 0 ] && [ "$windows32_rc" -eq 0 ] && [ "$native_rc" -eq 0 ]
