#!/usr/bin/env bash
# The page server that answers the program's own update page in dev and test builds
# (tests/support/page_server.py with a fixed port), kept running across a whole test run.
#   page_server_fixture.sh up   DIR PORT SITE_DIR   start it (again), serving SITE_DIR on PORT
#   page_server_fixture.sh down DIR                 stop it
# Tests switch what the port does through DIR/mode and read DIR/requests.log.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
die() { echo "page_server_fixture: $*" >&2; exit 2; }

stop() {
  local dir=$1
  [ -f "$dir/pid" ] || return 0
  local pid
  pid=$(cat "$dir/pid")
  # Only the server this script started in this folder.
  if kill -0 "$pid" 2>/dev/null && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q "page_server.py --dir $dir "; then
    touch "$dir/stop"
    for _ in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/pid"
}

case "${1:-}" in
  up)
    [ $# -eq 4 ] || die "usage: page_server_fixture.sh up DIR PORT SITE_DIR"
    dir=$2 port=$3 site=$4
    mkdir -p "$dir"
    stop "$dir"
    rm -f "$dir"/ports "$dir"/stop "$dir"/mode "$dir"/mode.applied "$dir"/requests.log "$dir"/body "$dir"/status
    # Bounded even if "down" never runs; a test run takes far less.
    setsid python3 "$here/page_server.py" --dir "$dir" --port "$port" --site "$site" --time-limit 7200 \
      </dev/null >"$dir/server.out" 2>&1 9>&- &
    echo $! > "$dir/pid"
    for _ in $(seq 1 200); do
      [ -s "$dir/ports" ] && [ -s "$dir/mode.applied" ] && break
      kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
      sleep 0.05
    done
    if [ ! -s "$dir/mode.applied" ]; then
      cat "$dir/server.out" >&2
      die "the page server did not start on 127.0.0.1:$port"
    fi
    echo "page server: http://127.0.0.1:$port/ serving $site"
    ;;
  down)
    [ $# -eq 2 ] || die "usage: page_server_fixture.sh down DIR"
    stop "$2"
    echo "page server: stopped"
    ;;
  *) die "usage: page_server_fixture.sh up|down ..." ;;
esac
