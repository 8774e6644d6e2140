#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (ASan/UBSan) and the
# Windows build under Wine on the test bed. Installs what is missing first.
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R Settings]
set -uo pipefail
cd "$(dirname "$0")/.."

. scripts/needs_setup.sh

if needs_setup; then
  echo "== setup: installing what is missing"
  bash scripts/setup.sh </dev/null || { echo "setup failed"; exit 1; }
fi

status=0
for preset in native win; do
  echo "== configure and build: $preset"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
    echo "build of $preset failed"
    exit 1
  fi
done

for preset in native win; do
  echo "== tests: $preset"
  ctest --preset "$preset" "$@" </dev/null || status=1
done

if [ $status -eq 0 ]; then echo "== all tests passed"; else echo "== some tests FAILED"; fi
exit $status
