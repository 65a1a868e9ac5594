#!/usr/bin/env bash
# Installs what is missing, builds morvel with warnings as errors and runs every
# test; then builds it again with the address and undefined-behaviour sanitizers
# and runs the suite once more (all but the long soak); with MORVEL_WINDOWS=1
# (or a Windows build made before), cross-builds for Windows and compares it
# under wine with the Linux build (scripts/wine_compare.sh); then runs each libFuzzer
# target for 15 seconds (skipped with a message when clang is missing).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MORVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DMORVEL_WERROR=ON >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
# The share of test lines in the project: at most a third.
bash scripts/test_share.sh --max 0.33

# The Windows build under wine, compared with this one: when asked for
# (MORVEL_WINDOWS=1) or once its libraries are built (build-windows/prefix).
if [ "${MORVEL_WINDOWS:-0}" = 1 ] || [ -f "${MORVEL_WINDOWS_DIR:-build-windows}/prefix/lib/libmp3lame.a" ]; then
  bash scripts/windows.sh
  bash scripts/wine_compare.sh "$build" "${MORVEL_WINDOWS_DIR:-build-windows}/build"
  if [ -f "${MORVEL_WINDOWS_DIR:-build-windows}/build/morvel.exe" ]; then
    bash scripts/wine_desktop.sh "$build" "${MORVEL_WINDOWS_DIR:-build-windows}/morvel-windows-x64.zip"
  fi
else
  echo "test: the Windows build under wine was skipped (MORVEL_WINDOWS=1 runs it)"
fi

if [ "${MORVEL_SKIP_SANITIZERS:-0}" != 1 ]; then
  sanitized=${build}-sanitize
  cmake -S . -B "$sanitized" -G Ninja -DMORVEL_WERROR=ON -DMORVEL_SANITIZE=ON >/dev/null
  cmake --build "$sanitized"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp \
    ctest --test-dir "$sanitized" --output-on-failure -j "$(nproc)" -LE soak
fi

if [ "${MORVEL_SKIP_FUZZ:-0}" != 1 ]; then
  status=0
  bash scripts/fuzz.sh 15 || status=$?
  if [ "$status" = 77 ]; then
    echo "test: the fuzzers were skipped (no clang with libFuzzer)"
  elif [ "$status" != 0 ]; then
    exit "$status"
  fi
fi
