#!/usr/bin/env bash
# Builds the program and runs the key-press benchmark against it under the Wine bed of the
# win build tree, with the update page served on the build's port as the tests serve it (a
# dev build that cannot read its update page says so and ends at start).
#   bench/run_key_bench.sh [presses]     (default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win >/dev/null
cmake --build --preset win -j2 --target key_bench tarnwick paste_target
export TARNWICK_EXE="$PWD/build/win/app/tarnwick.exe"
export PASTE_TARGET_EXE="$PWD/build/win/tests/support/paste_target.exe"
if [ -f build/win/update-port ]; then
  pages=tests/support/page_server_fixture.sh
  dir=$PWD/build/win/key-bench-pages
  "$pages" up "$dir" "$(cat build/win/update-port)" "$PWD/site" >/dev/null ||
    { echo "cannot serve the update page (are this tree's tests running?)"; exit 1; }
  trap '"$pages" down "$dir" >/dev/null' EXIT
fi
tests/support/winebed.sh run build/win/bench/key_bench.exe "$@"
