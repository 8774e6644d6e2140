#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time (default 60 s each) from its seed corpus.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target"); name=${name#fuzz_}
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "== fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 "$work"
  rm -rf "$work"
done
echo "== fuzzing finished clean"
