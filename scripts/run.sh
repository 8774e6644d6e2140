#!/usr/bin/env bash
# Builds the program if needed and runs it under Wine, with the update page (site/) served
# on 127.0.0.1 at the build's own port (a dev build reads its update page there).
#   On a machine with a display (DISPLAY set): the program opens there; this waits for it.
#   Without a display: on a virtual display, it walks through the main job (start, the
#   instructions tab, "设置热键", F2 captures, F2 pastes into a paste target), saves a
#   screenshot of each step under build/win/walkthrough/ and prints their paths.
# Installs what is missing first (scripts/setup.sh). Usage: scripts/run.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

. scripts/needs_setup.sh

if needs_setup; then
  echo "== setup: installing what is missing"
  bash scripts/setup.sh </dev/null || { echo "setup failed"; exit 1; }
fi

[ -f build/win/CMakeCache.txt ] || cmake --preset win >/dev/null || { echo "configure failed"; exit 1; }
cmake --build --preset win --target tarnwick >/dev/null || { echo "build failed"; exit 1; }
exe=$root/build/win/app/tarnwick.exe

# A bed of its own, so a run never disturbs the tests' prefix; drive D: keeps the settings.
bed=$root/build/win/run-bed
bedsh=$root/tests/support/winebed.sh
export WINEBED_DIR=$bed WINEBED_D=$bed/d

# The update page. A build configured for a real update host (TARNWICK_LOCAL_UPDATE_PAGE off)
# has no port file and reads that host instead.
pages=$root/tests/support/page_server_fixture.sh
if [ -f build/win/update-port ]; then
  port=$(cat build/win/update-port)
  "$pages" up "$bed/pageserver" "$port" "$root/site" >/dev/null ||
    { echo "cannot serve the update page on 127.0.0.1:$port (are this tree's tests running?)"; exit 1; }
  trap '"$pages" down "$bed/pageserver" >/dev/null' EXIT
  echo "== update page: http://127.0.0.1:$port/gxbb.htm (from site/)"
fi

if [ -n "${DISPLAY:-}" ]; then
  rm -f "$bed/display"
  "$bedsh" up "$bed" >/dev/null || exit 1
  echo "== running $exe on $DISPLAY"
  "$bedsh" run "$exe"
  rc=$?
  "$bedsh" down "$bed" >/dev/null
  exit $rc
fi

# No display: a virtual one, and a walk through the main job as a user does it (start, the
# instructions tab, "设置热键", F2 captures, F2 again pastes into a paste target), with a
# picture of each step. The program is closed again at the end.
cmake --build --preset win --target walkthrough paste_target >/dev/null || { echo "build failed"; exit 1; }
"$bedsh" up "$bed" >/dev/null || exit 1
out=$root/build/win/walkthrough
rm -rf "$out"
mkdir -p "$out"
TARNWICK_EXE=$exe PASTE_TARGET_EXE=$root/build/win/tests/support/paste_target.exe \
  timeout 300 "$bedsh" run "$root/build/win/tests/support/walkthrough.exe" "Z:${out//\//\\}"
rc=$?
"$bedsh" down "$bed" >/dev/null
for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] || continue
  png=${bmp%.bmp}.png
  convert "$bmp" "$png" && rm -f "$bmp" && echo "screenshot: $png"
done
exit $rc
