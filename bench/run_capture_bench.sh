#!/usr/bin/env bash
# Builds and runs the capture benchmark under the Wine bed of the win build tree.
#   bench/run_capture_bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win >/dev/null
cmake --build --preset win --target capture_bench
exec tests/support/winebed.sh run build/win/bench/capture_bench.exe "$@"
