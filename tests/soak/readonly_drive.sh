#!/usr/bin/env bash
# One case of the read-only drive test: drive D: mapped to a folder of ours, stocked by the
# test while still writable, then made immutable (we run as root: permissions alone would not
# stop a write) while the test runs the program over it, and always made mutable again.
#
#   readonly_drive.sh TEST_EXE TARNWICK_EXE CASE   run one case (a name of the test's table)
#   readonly_drive.sh --release                    release and remove what a killed run left
set -uo pipefail

root="${WINEBED_DIR:?needs WINEBED_DIR}/readonly-drives"

release() {
  [ -e "$1" ] || return 0
  chattr -R -i "$1" 2>/dev/null
  rm -rf "$1"
}

if [ "${1:-}" = "--release" ]; then
  release "$root"
  exit 0
fi

[ $# -eq 3 ] || { echo "usage: readonly_drive.sh TEST_EXE TARNWICK_EXE CASE" >&2; exit 2; }
exe=$1 program=$2 case=$3
d="$root/$case"
log=$(mktemp)
trap 'release "$d"; rm -f "$log"' EXIT
trap 'exit 130' INT TERM
release "$d"
mkdir -p "$d"

# A step that matched no test would pass without having looked at anything.
run_step() {
  WINEBED_D="$d" TARNWICK_EXE="$program" READONLY_DRIVE_STEP="$1" "$WINEBED" run "$exe" \
    --gtest_filter="*/ReadOnlyDrive.*/$case" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  grep -q '^\[ RUN      \] .*/ReadOnlyDrive\.' "$log" || { echo "no test of the case '$case'"; return 1; }
  return "$rc"
}

run_step stock || { echo "stocking drive D: for '$case' failed"; exit 1; }
if ! why=$(chattr -R +i "$d" 2>&1); then
  echo "chattr +i on $d failed: $why"
  READONLY_DRIVE_UNAVAILABLE="chattr +i is not permitted on this machine ($why)" run_step check
  exit $?
fi
echo "drive D: ($d) is immutable for '$case'"
run_step check
