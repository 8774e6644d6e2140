#!/usr/bin/env bash
# The Wine test bed: one private prefix per build tree, a virtual X display when none is
# set, code page 936, and a fresh drive D: for every program run.
#
#   winebed.sh up   [BED_DIR]        make the prefix (once), start Xvfb and a persistent wineserver
#   winebed.sh down [BED_DIR]        stop what "up" started, by its own ids
#   winebed.sh run  EXE [ARGS...]    run a Windows program in the bed (CMake's cross-compiling emulator)
#   winebed.sh env  [BED_DIR]        print the environment a program of the bed runs with
#
# BED_DIR defaults to $WINEBED_DIR, else <build tree>/winebed, found from the exe's path.
# Per-run switches (environment): WINEBED_NO_D=1 runs without a drive D:; WINEBED_D=<dir>
# maps D: to that folder instead of a fresh one (it is then left in place);
# WINEBED_KEEP_D=1 keeps the fresh folder after the run.
set -uo pipefail

die() { echo "winebed: $*" >&2; exit 2; }

find_bed_dir() {
  if [ -n "${WINEBED_DIR:-}" ]; then echo "$WINEBED_DIR"; return; fi
  local d
  d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || die "no such program: $1"
  while [ "$d" != "/" ]; do
    if [ -f "$d/CMakeCache.txt" ]; then echo "$d/winebed"; return; fi
    d=$(dirname "$d")
  done
  die "cannot find the build tree of $1; set WINEBED_DIR"
}

wine_env() {
  local bed=$1
  export WINEPREFIX="$bed/prefix"
  export HOME="$bed/home"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  export LC_ALL=zh_CN.UTF-8
  export LANG=zh_CN.UTF-8
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
  if [ -f "$bed/display" ]; then export DISPLAY; DISPLAY=$(cat "$bed/display"); fi
}

start_xvfb() {
  local bed=$1
  if [ -f "$bed/xvfb.pid" ] && kill -0 "$(cat "$bed/xvfb.pid")" 2>/dev/null; then return 0; fi
  rm -f "$bed/display" "$bed/xvfb.num"
  if [ -n "${DISPLAY:-}" ] && [ -z "${WINEBED_XVFB:-}" ]; then
    echo "$DISPLAY" > "$bed/display"
    return 0
  fi
  command -v Xvfb >/dev/null || die "Xvfb is not installed (run scripts/setup.sh)"
  setsid Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp \
    3>"$bed/xvfb.num" >"$bed/xvfb.log" 2>&1 </dev/null 9>&- &
  echo $! > "$bed/xvfb.pid"
  local i
  for i in $(seq 1 200); do
    [ -s "$bed/xvfb.num" ] && break
    kill -0 "$(cat "$bed/xvfb.pid")" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$bed/xvfb.num" ] || die "Xvfb did not start (see $bed/xvfb.log)"
  echo ":$(tr -d '\n' < "$bed/xvfb.num")" > "$bed/display"
}

make_prefix() {
  local bed=$1
  [ -f "$bed/prefix/.winebed-ready" ] && return 0
  echo "winebed: creating the Wine prefix in $bed/prefix" >&2
  rm -rf "$bed/prefix"
  mkdir -p "$bed/home" "$bed/prefix"
  wine_env "$bed"
  wineboot -i >/dev/null 2>&1 9>&- || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 9>&- ||
    die "cannot write the prefix's registry"
  wineserver -w
  touch "$bed/prefix/.winebed-ready"
}

cmd_up() {
  local bed=${1:-${WINEBED_DIR:-}}
  [ -n "$bed" ] || die "usage: winebed.sh up BED_DIR"
  mkdir -p "$bed"
  exec 9>"$bed/lock"
  flock 9
  start_xvfb "$bed"
  make_prefix "$bed"
  wine_env "$bed"
  wineserver -p >/dev/null 2>&1 </dev/null 9>&-
  # The first program of a server session starts Wine's own services, which stay and keep
  # that program's output open: start them here, detached from any test's output.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null 9>&-
  echo "winebed: up (DISPLAY=$(cat "$bed/display"), prefix $bed/prefix)"
}

cmd_down() {
  local bed=${1:-${WINEBED_DIR:-}}
  [ -n "$bed" ] || die "usage: winebed.sh down BED_DIR"
  [ -d "$bed" ] || return 0
  exec 9>"$bed/lock"
  flock 9
  if [ -d "$bed/prefix" ]; then
    ( wine_env "$bed"; wineserver -k >/dev/null 2>&1 9>&-; wineserver -w >/dev/null 2>&1 9>&- ) || true
  fi
  if [ -f "$bed/xvfb.pid" ]; then
    local pid
    pid=$(cat "$bed/xvfb.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$bed/xvfb.pid" "$bed/xvfb.num"
  fi
  rm -f "$bed/display"
  rm -rf "$bed/drives"
  echo "winebed: down"
}

cmd_run() {
  [ $# -ge 1 ] || die "usage: winebed.sh run EXE [ARGS...]"
  local exe=$1; shift
  local bed
  bed=$(find_bed_dir "$exe")
  if [ ! -f "$bed/prefix/.winebed-ready" ] || [ ! -f "$bed/display" ]; then
    cmd_up "$bed" >/dev/null
    exec 9>&-
  fi
  wine_env "$bed"
  local dlink="$WINEPREFIX/dosdevices/d:" ddir="" fresh=0
  rm -f "$dlink"
  if [ -z "${WINEBED_NO_D:-}" ]; then
    if [ -n "${WINEBED_D:-}" ]; then
      ddir=$WINEBED_D
      mkdir -p "$ddir"
    else
      mkdir -p "$bed/drives"
      ddir=$(mktemp -d "$bed/drives/d.XXXXXX")
      fresh=1
    fi
    ln -s "$ddir" "$dlink"
    export WINEBED_D_UNIX="$ddir"
  fi
  wine "$exe" "$@"
  local rc=$?
  [ $rc -eq 0 ] || echo "winebed: $(basename "$exe") ended with exit code $rc" >&2
  if [ $rc -ne 0 ] && [ -f "$bed/xvfb.pid" ]; then
    # Keep what the virtual display showed when the program failed.
    mkdir -p "$bed/failures"
    local shot
    shot="$bed/failures/$(basename "$exe" .exe)-$(date +%H%M%S)-$$.png"
    if xwd -root -silent 2>/dev/null | convert xwd:- "png:$shot" 2>/dev/null; then
      echo "winebed: screenshot of the display at the failure: $shot" >&2
    fi
  fi
  if [ $fresh -eq 1 ] && [ -z "${WINEBED_KEEP_D:-}" ]; then
    rm -f "$dlink"
    rm -rf "$ddir"
  fi
  return $rc
}

cmd_env() {
  local bed=${1:-${WINEBED_DIR:-}}
  [ -n "$bed" ] || die "usage: winebed.sh env BED_DIR"
  wine_env "$bed"
  echo "export WINEPREFIX='$WINEPREFIX' HOME='$HOME' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 DISPLAY='${DISPLAY:-}'"
}

sub=${1:-}; shift || true
case "$sub" in
  up) cmd_up "$@" ;;
  down) cmd_down "$@" ;;
  run) cmd_run "$@" ;;
  env) cmd_env "$@" ;;
  *) die "usage: winebed.sh up|down|run|env ..." ;;
esac
