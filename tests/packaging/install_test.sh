#!/usr/bin/env bash
# Installs the release's installer silently under Wine, starts the installed program,
# uninstalls it, and checks that nothing is left but the user's data folder on D:.
set -uo pipefail
installer=$1
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$installer" ] || fail "no installer at $installer (build the release target)"
eval "$("$WINEBED" env "$WINEBED_DIR")"
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
mkdir -p "$d/Tarnwick"
printf '5\r\n7' > "$d/Tarnwick/截图程序.ini"

run() { WINEBED_D="$d" "$WINEBED" run "$@"; }
wait_for() {  # wait_for SECONDS TEST...
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.2; done
}

pf="$WINEPREFIX/drive_c/Program Files/Tarnwick"
programs="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick'

run "$installer" /S || fail "installer exited with $?"
[ -f "$pf/tarnwick.exe" ] || fail "tarnwick.exe not installed"
[ -f "$pf/uninstall.exe" ] || fail "no uninstaller"
wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q '1\.1' || fail "uninstall entry missing"
echo "installed into $pf"

# Start the installed program; when it stays up, end it as a user would.
if [ -n "${TARNWICK_START_CHECK:-}" ]; then
  bash "$TARNWICK_START_CHECK" "C:\\Program Files\\Tarnwick\\tarnwick.exe" "$d" || fail "the installed program did not start"
else
  run "$pf/tarnwick.exe" || fail "the installed program exited with $?"
fi
echo "started the installed program"

# NSIS uninstallers copy themselves away and return at once: wait for their work.
run "$pf/uninstall.exe" /S || fail "uninstaller exited with $?"
wait_for 60 test ! -e "$pf" || fail "install folder left behind: $(ls -la "$pf")"
wait_for 20 sh -c "! wine reg query '$key' >/dev/null 2>&1" || fail "uninstall entry left behind"
[ ! -e "$programs/Tarnwick" ] || fail "Start-menu group left behind"
[ "$(od -An -tx1 "$d/Tarnwick/截图程序.ini" | tr -d ' \n')" = "350d0a37" ] || fail "the user's data folder was touched"
echo "uninstalled; only the user's data folder remains"
