#!/usr/bin/env bash
# Installs what is missing, builds morvel and starts it, on the cartridge given
# or on the demo cartridge.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MORVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build"
cartridge=${1:-$build/roms/nrom_board.nes}
exec "$build/morvel-headless" --until-result --frames 600 "$cartridge"
