#!/usr/bin/env bash
# Measures what rewind, run-ahead and the snapshots they share cost, on the
# build bench/run.sh uses (its folder, MORVEL_BENCH_BUILD_DIR, default
# build-bench, configured without the desktop program when it is new):
#   - the rewind history's bytes per minute of play: 3600 frames with random
#     buttons (the same seed each time), a 600-second history so nothing is
#     dropped, scaled to 3600 frames; the limit is 5,000,000;
#   - host instructions per frame while the history records and does not
#     rewind, and per frame of run-ahead 1 and 3, each less the plain frame
#     (callgrind, 300 frames less 100 frames, as bench/run.sh counts);
#   - a snapshot's save and load, the mean of 1000 (wall clock);
#   - the input delay on button_lag with run-ahead 0-3: the frames from the
#     one in which A is first held (frame 30) to the first picture showing it.
#
#   bench/play.sh
#
# Prints the results as Markdown tables (about six minutes on two cores). A
# cartridge that is not there is skipped with a message.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MORVEL_BENCH_BUILD_DIR:-build-bench}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DMORVEL_WERROR=ON \
  -DMORVEL_DESKTOP=OFF >/dev/null
cmake --build "$build" --target morvel-headless cartridges >/dev/null
headless=$build/morvel-headless
command -v valgrind >/dev/null || { echo "bench: valgrind is needed for the instruction counts" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cartridges=(../shared/roms/games/nes15-NTSC.nes ../shared/roms/mappers/240pee-unrom.nes
  "$build/roms/demo.nes" "$build/test_roms/mmc5_board.nes" "$build/test_roms/vrc7_board.nes"
  "$build/test_roms/fme7_board.nes")

# Millions of host instructions per frame in the steady state of $1 with the
# options that follow.
PerFrame() {
  local rom=$1 frames total=()
  shift
  for frames in 300 100; do
    valgrind --tool=callgrind --callgrind-out-file="$work/cg" "$headless" --frames "$frames" \
      --random-input 7 "$@" "$rom" >/dev/null 2>"$work/cg.err" ||
      { cat "$work/cg.err" >&2; echo "bench: the run of $rom failed" >&2; return 1; }
    total+=("$(sed -n 's/^summary: //p' "$work/cg")")
  done
  awk -v a="${total[0]}" -v b="${total[1]}" 'BEGIN { printf "%.3f\n", (a - b) / 200 / 1e6 }'
}

Value() { sed -n "s/^$1: //p" "$work/report"; }

echo "| Cartridge | History bytes a minute | Snapshot bytes | Save | Load | Frame | History | Run-ahead 1 | Run-ahead 3 |"
echo "|---|---|---|---|---|---|---|---|---|"
for rom in "${cartridges[@]}"; do
  if [ ! -f "$rom" ]; then
    echo "skipping $rom: not found" >&2
    continue
  fi
  "$headless" --frames 3600 --random-input 7 --rewind-seconds 600 --report-rewind "$rom" \
    >"$work/report" 2>/dev/null
  perMinute=$(awk -v b="$(Value rewind-bytes)" -v f="$(Value rewind-frames)" \
    'BEGIN { printf "%d", b * 3600 / f }')
  plain=$(PerFrame "$rom" --rewind-seconds 0)
  history=$(PerFrame "$rom" --rewind-seconds 60)
  ahead1=$(PerFrame "$rom" --run-ahead 1)
  ahead3=$(PerFrame "$rom" --run-ahead 3)
  Extra() { awk -v a="$1" -v p="$plain" 'BEGIN { printf "+%.3f M (%.1f %%)", a - p, 100 * (a - p) / p }'; }
  echo "| $(basename "$rom") | $perMinute | $(Value snapshot-bytes) | $(Value snapshot-save-us) us |" \
    "$(Value snapshot-load-us) us | $plain M | $(Extra "$history") | $(Extra "$ahead1") |" \
    "$(Extra "$ahead3") |"
done

echo
echo "| Run-ahead | Input delay (frames) |"
echo "|---|---|"
lag=$build/test_roms/button_lag.nes
# The picture after frame 29, before the press: the backdrop of count 0.
"$headless" --frames 30 --screenshot "$work/none.bmp" "$lag" >/dev/null 2>&1
none=$(od -An -tx1 -j54 -N3 "$work/none.bmp" | tr -d ' ')
for k in 0 1 2 3; do
  delay=none
  for t in 30 31 32 33 34; do
    "$headless" --frames $((t + 1)) --press 30-100:A --run-ahead $k --screenshot "$work/lag.bmp" \
      "$lag" >/dev/null 2>&1
    if [ "$(od -An -tx1 -j54 -N3 "$work/lag.bmp" | tr -d ' ')" != "$none" ]; then
      delay=$((t - 30))
      break
    fi
  done
  echo "| $k | $delay |"
done
