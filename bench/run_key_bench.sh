#!/usr/bin/env bash
# Builds the program and runs the key-press benchmark against it under the Wine bed of the
# win build tree.
#   bench/run_key_bench.sh [presses]     (default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win >/dev/null
cmake --build --preset win -j2 --target key_bench tarnwick paste_target
export TARNWICK_EXE="$PWD/build/win/app/tarnwick.exe"
export PASTE_TARGET_EXE="$PWD/build/win/tests/support/paste_target.exe"
exec tests/support/winebed.sh run build/win/bench/key_bench.exe "$@"
