#!/usr/bin/env bash
# Installs what is missing, builds morvel with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MORVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DMORVEL_WERROR=ON >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
