#!/usr/bin/env bash
# Runs a command with a fresh page server beside it (tests/support/page_server.py).
#   with_page_server.sh COMMAND [ARGS...]
# The command sees PAGE_SERVER_DIR, the server's folder (ports, body, status, requests.log).
# Used as the cross-compiling emulator of the update tests: COMMAND is then the test bed's
# "winebed.sh run EXE ...", and the Windows side reaches the folder through drive Z:.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/pageserver.XXXXXX")
python3 "$here/page_server.py" --dir "$dir" --time-limit "${PAGE_SERVER_TIME_LIMIT:-110}" </dev/null \
  >"$dir/server.out" 2>&1 &
server=$!
cleanup() {
  touch "$dir/stop"
  for _ in $(seq 1 40); do kill -0 "$server" 2>/dev/null || break; sleep 0.05; done
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
for _ in $(seq 1 200); do
  [ -s "$dir/ports" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$dir/ports" ]; then
  echo "with_page_server: the page server did not start:" >&2
  cat "$dir/server.out" >&2
  exit 2
fi
export PAGE_SERVER_DIR="$dir"
"$@"
