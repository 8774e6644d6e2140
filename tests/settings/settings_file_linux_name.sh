#!/usr/bin/env bash
# Runs the Windows writer with drive D: mapped to a folder of ours, then looks at that folder
# from Linux: the file must be there under its Chinese name, holding exactly 5 CR LF 7.
set -euo pipefail
exe=$1
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
WINEBED_D="$d" "$WINEBED" run "$exe" --gtest_filter=SettingsFile.WritesFiveAndSeven
f="$d/Tarnwick/截图程序.ini"
[ -f "$f" ] || { echo "missing on the Linux side: $f"; ls -la "$d" "$d/Tarnwick" || true; exit 1; }
got=$(od -An -tx1 "$f" | tr -d ' \n')
[ "$got" = "350d0a37" ] || { echo "bytes are $got, expected 350d0a37"; exit 1; }
echo "Linux side sees $f with bytes $got"
