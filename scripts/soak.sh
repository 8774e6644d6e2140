#!/usr/bin/env bash
# The long soak: builds the Windows tree and runs the soak test with 1000 presses (or the
# number given), printing its figures. Takes about six minutes for 1000.
# Usage: scripts/soak.sh [PRESSES]
set -uo pipefail
cd "$(dirname "$0")/.."
presses="${1:-1000}"
cmake --preset win >/dev/null && cmake --build --preset win -j2 || { echo "build failed"; exit 1; }
SOAK_PRESSES="$presses" ctest --preset win -R '^Soak\.' --output-on-failure </dev/null
status=$?
grep -a '^soak' build/win/Testing/Temporary/LastTest.log
exit $status
