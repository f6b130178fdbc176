#!/usr/bin/env bash
# Runs every test inside the lab: the portable code's (sanitizers, fuzzing) beside the
# Windows build's under Wine, then both summaries and one closing count. Arguments go
# to both ctest runs.
set -uo pipefail
logs=$(mktemp -d)
ctest --preset native --no-tests=ignore "$@" >"$logs/native" 2>&1 &
native=$!
ctest --preset windows --no-tests=ignore "$@" 2>&1 | tee "$logs/windows"
windows_rc=${PIPESTATUS[0]}
wait "$native"
native_rc=$?
echo
echo "Portable code on the host (AddressSanitizer, UBSan, libFuzzer):"
cat "$logs/native"

# "N% tests passed, F tests failed out of T" from each run, summed.
passed=0
failed=0
for log in "$logs/native" "$logs/windows"; do
  read -r f t < <(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -1)
  failed=$((failed + ${f:-0}))
  passed=$((passed + ${t:-0} - ${f:-0}))
done
rm -rf "$logs"
echo
echo "$passed passed, $failed failed"
[ "$windows_rc" -eq 0 ] && [ "$native_rc" -eq 0 ]
