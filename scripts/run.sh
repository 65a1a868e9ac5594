#!/usr/bin/env bash
# Installs what is missing, builds morvel and starts it: on the cartridge given,
# or with the ROM browser showing the demo cartridge.
set -euo pipefail
# The cartridge path is taken relative to where the command was given.
cartridge=""
if [ $# -gt 0 ]; then cartridge=$(realpath "$1"); fi
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MORVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build"
# With no cartridge the ROM browser opens on build/roms, where the build put
# the demo; with one, that cartridge starts at once.
if [ -n "$cartridge" ]; then
  exec "$build/morvel" "$cartridge"
fi
exec "$build/morvel"
