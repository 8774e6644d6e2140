#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (ASan/UBSan) and the
# Windows build under Wine on the test bed. Installs what is missing first.
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R Settings]
set -uo pipefail
cd "$(dirname "$0")/.."

needs_setup() {
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || return 0
  command -v wine >/dev/null || return 0
  command -v Xvfb >/dev/null || return 0
  command -v makensis >/dev/null || return 0
  [ -f /usr/src/googletest/CMakeLists.txt ] || return 0
  [ -f /usr/x86_64-w64-mingw32/lib/libpng16.a ] || return 0
  [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || return 0
  [ -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ] || return 0
  locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$' || return 0
  return 1
}

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
