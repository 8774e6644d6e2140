#!/usr/bin/env bash
# Builds the program if needed and runs it under Wine, with the update page (site/) served
# on 127.0.0.1 at the build's own port (a dev build reads its update page there).
#   On a machine with a display (DISPLAY set): the program opens there; this waits for it.
#   Without a display: it runs on a virtual display, a screenshot of the main window is
#   saved, its path printed, and the program is closed again.
# Installs what is missing first (scripts/setup.sh). Usage: scripts/run.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

needs_setup() {
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || return 0
  command -v wine >/dev/null || return 0
  command -v Xvfb >/dev/null || return 0
  command -v xdotool >/dev/null || return 0
  command -v import >/dev/null || return 0
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

# No display: a virtual one, a screenshot, then the program is closed.
"$bedsh" up "$bed" >/dev/null || exit 1
DISPLAY=$(cat "$bed/display")
export DISPLAY
"$bedsh" run "$exe" &
runner=$!
shot=$root/build/win/tarnwick-main-window.png
rc=1
window=""
# Wait for the main window (333 x 282 at 96 DPI, more when scaled; the update window before
# it is only 45 high) to finish its entrance: it is back at the centre of the screen.
screen_w=$(xdotool getdisplaygeometry 2>/dev/null | cut -d" " -f1)
for _ in $(seq 1 300); do
  for id in $(xdotool search --onlyvisible --class tarnwick 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -ge 300 ] && [ "$HEIGHT" -ge 200 ] && [ -n "$screen_w" ] && [ "$X" -eq $(( (screen_w - WIDTH) / 2 )) ]; then
      window=$id
      break 2
    fi
  done
  sleep 0.1
done
if [ -n "$window" ]; then
  sleep 0.3  # let the last repaint land
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"; then
    echo "screenshot of the main window: $shot"
    rc=0
  fi
  xdotool key --window "$window" Escape 2>/dev/null
else
  echo "the main window did not appear" >&2
fi
for _ in $(seq 1 50); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
kill "$runner" 2>/dev/null
wait "$runner" 2>/dev/null
"$bedsh" down "$bed" >/dev/null
exit $rc
