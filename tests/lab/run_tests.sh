#!/usr/bin/env bash
# Runs every test inside the lab: the portable code's (sanitizers, fuzzing), then the
# Windows build's under Wine. Arguments go to both ctest runs.
set -uo pipefail
rc=0
ctest --preset native --no-tests=ignore "$@" || rc=1
ctest --preset windows --no-tests=ignore "$@" || rc=1
exit $rc
