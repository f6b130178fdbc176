#!/usr/bin/env bash
# Runs one build's tests inside a lab: the 64-bit or the 32-bit Windows build's under
# Wine, or the portable code's on the host (sanitizers, fuzzing). scripts/test starts one
# lab for each, side by side: each lab is its own network, display and Wine prefix, so
# one build's printers, ports and spooler never meet the other's.
#
#   run_tests.sh PRESET [CTEST ARGS...]
set -uo pipefail
preset=$1
shift
exec ctest --preset "$preset" --no-tests=ignore "$@"
