#!/usr/bin/env bash
# The long soak: 200000 frames (about 55 minutes of play) of a cartridge with
# random buttons on controller 1 in morvel-headless. Fails when the run stops
# with a fault or the resident memory grows by more than 1 MB between the
# first and the last frame. The test suite runs a shorter soak of 30000 frames.
#
#   bench/soak.sh [FRAMES] [CARTRIDGE.nes] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-200000}
cartridge=${2:-../shared/roms/games/nes15-NTSC.nes}
seed=${3:-20261206}
build=${MORVEL_BUILD_DIR:-build}
allowed_kb=1024

if [ ! -f "$cartridge" ]; then
  echo "soak: $cartridge not found" >&2
  exit 1
fi
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target morvel-headless >/dev/null

start=$(date +%s)
out=$("$build/morvel-headless" --frames "$frames" --random-input "$seed" --report-memory --bench "$cartridge")
seconds=$(($(date +%s) - start))
rss_start=$(sed -n 's/^rss-start-kb: //p' <<<"$out")
rss_end=$(sed -n 's/^rss-end-kb: //p' <<<"$out")
fps=$(sed -n 's/^fps: //p' <<<"$out")
growth=$((rss_end - rss_start))
echo "soak: $frames frames of $(basename "$cartridge") with seed $seed in ${seconds} s ($fps fps)"
echo "soak: resident memory $rss_start KB at the start, $rss_end KB at the end (growth $growth KB)"
if [ "$growth" -gt "$allowed_kb" ]; then
  echo "soak: memory grew by more than $allowed_kb KB" >&2
  exit 1
fi
