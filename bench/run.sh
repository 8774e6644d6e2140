#!/usr/bin/env bash
# Builds every benchmark and runs them one after another against this tree's Windows build,
# under a Wine bed of their own, then writes bench/results.md: the method, the machine and
# the figures of this one run. Takes about five minutes.
#   bench/run.sh [presses]      (key presses timed by the key bench; default 50)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
presses=${1:-50}

[ -f build/win/CMakeCache.txt ] || cmake --preset win >/dev/null || { echo "configure failed"; exit 1; }
cmake --build --preset win -j2 --target tarnwick paste_target capture_bench key_bench timer_floor >/dev/null ||
  { echo "build failed"; exit 1; }

bed=$root/build/win/bench-bed
bedsh=$root/tests/support/winebed.sh
pages=$root/tests/support/page_server_fixture.sh
export WINEBED_DIR=$bed
out=$(mktemp -d)
cleanup() {
  [ -f "$bed/pageserver/pid" ] && "$pages" down "$bed/pageserver" >/dev/null 2>&1
  "$bedsh" down "$bed" >/dev/null 2>&1
  rm -rf "$out"
}
trap cleanup EXIT

# The program reads its update page at start: serve site/ on the build's port.
if [ -f build/win/update-port ]; then
  "$pages" up "$bed/pageserver" "$(cat build/win/update-port)" "$root/site" >/dev/null ||
    { echo "cannot serve the update page (are this tree's tests running?)"; exit 1; }
fi
"$bedsh" up "$bed" >/dev/null || exit 1
load=$(cut -d' ' -f1-3 /proc/loadavg)

run_one() {
  local name=$1; shift
  echo "== $name"
  timeout 900 "$bedsh" run "$@" > "$out/$name.raw"
  local rc=$?
  tr -d '\r' < "$out/$name.raw" > "$out/$name"
  cat "$out/$name"
  [ $rc -eq 0 ] || echo "$name failed (exit $rc)" | tee -a "$out/failures"
}

run_one capture "$root/build/win/bench/capture_bench.exe" 15
TARNWICK_EXE=$root/build/win/app/tarnwick.exe PASTE_TARGET_EXE=$root/build/win/tests/support/paste_target.exe \
  run_one keys "$root/build/win/bench/key_bench.exe" "$presses"
run_one timer "$root/build/win/bench/timer_floor.exe" 30

wine_version=$(eval "$("$bedsh" env "$bed")"; wine --version 2>/dev/null)
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
{
  cat <<HEAD
# Benchmark results

Written by \`bench/run.sh $presses\` on $(date -u '+%Y-%m-%d %H:%M UTC'), from one run of every
benchmark against this tree's Windows build: $(nproc) cores ($cpu), ${wine_version:-Wine}, Xvfb
1920x1080x24 (the bed's virtual display), load average before the run: $load.

## Method

- \`capture_bench\` (in-process, 15 rounds after one warm-up): times \`CaptureImage()\` and
  \`剪辑板类.SetImageBytes\` as the program calls them, and after each round the platform floor:
  one BitBlt of the screen into a 16-bit DIB section plus one \`SetClipboardData\` of it.
- \`key_bench\` (the real \`tarnwick.exe\` timed from another process): sets F2 with a real click
  on "设置热键", measures the program's idle CPU for 30 s with the key set and nothing pressed
  (from the Linux process behind it, since \`GetProcessTimes\` of another process reads 0 under
  Wine; the wineserver's time in the same window is given beside it), then presses F2 with
  \`SendInput\` $presses times for captures and as many for pastes into the paste target: key
  press to the clipboard having changed (\`GetClipboardSequenceNumber\`) and holding a bitmap
  again, key press to the target's log showing V down, and the same floor as above after each
  capture. Presses that Wine wiped (a focus change resets its key state) are pressed again and
  not timed.
- \`timer_floor\`: a process with only a window and an empty 10 ms thread timer, measured like
  the program: what any 10 ms polling costs on this platform before it does any work.

## Capture path (\`capture_bench\`)

HEAD
  cat "$out/capture"
  printf '\n## The running program (`key_bench`, `timer_floor`)\n\n'
  cat "$out/keys"
  grep '^|' "$out/timer"
  cat <<'NOTES'

## Reading the figures

- The goal for the capture path is key-to-clipboard within 1.5 x the floor plus one 10 ms
  polling period. The program's path has two steps the floor does not: the capture's BMP bytes
  are decoded again through the system's picture loader and the decoded bitmap is copied before
  the clipboard takes it ("of which decoding alone" above). The capture itself is close to its
  BitBlt floor: the screen grab (an X GetImage under Wine) is nearly all of it.
- The goal for idle CPU is under 0.5% of one core. Compare the program's idle row with the
  timer floor: under Wine every tick of a 10 ms thread timer is a round trip through the
  wineserver, whatever the tick does; the engine's own work per tick is reading the few keys
  its active hotkeys look at.
- Figures move with the machine's load (see the load average above); the floor is measured in
  the same run so that the ratios compare.
NOTES
  if [ -f "$out/failures" ]; then
    printf '\n## Failures in this run\n\n'
    sed 's/^/- /' "$out/failures"
  fi
} > bench/results.md
echo "== written: bench/results.md"
[ ! -f "$out/failures" ]
