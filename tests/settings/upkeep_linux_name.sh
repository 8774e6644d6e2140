#!/usr/bin/env bash
# Runs the start-up upkeep with drive D: mapped to a folder of ours, then looks at that folder
# from Linux: the data folder and the web shortcut file under its Chinese name, holding the
# two sections as the system's profile writer lays them out.
set -euo pipefail
exe=$1
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
WINEBED_D="$d" "$WINEBED" run "$exe" --gtest_filter=Upkeep.TheStartUpSequenceOnAFreshDriveAndAgain
f="$d/Tarnwick/Tarnwick官网.url"
[ -f "$f" ] || { echo "missing on the Linux side: $f"; ls -la "$d" "$d/Tarnwick" || true; exit 1; }
expected=$(printf '[DEFAULT]\r\nBASEURL=http://www.tarnwick.com/\r\n[InternetShortcut]\r\nURL=http://www.tarnwick.com/\r\n' | od -An -tx1 | tr -d ' \n')
got=$(od -An -tx1 "$f" | tr -d ' \n')
[ "$got" = "$expected" ] || { echo "unexpected bytes:"; od -c "$f"; exit 1; }
echo "Linux side sees $f with the two sections"
