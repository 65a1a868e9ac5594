#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a
# bounded time (default 15 seconds) from its seed corpus in fuzz/corpus/NAME/.
# New inputs the fuzzer finds go to build-fuzz/corpus/NAME/ (not into the
# repository); a crash, leak or undefined behaviour stops it, leaves the input
# in build-fuzz/artifacts/ and makes this script fail.
#
#   scripts/fuzz.sh [SECONDS]
#
# Exit status 0 when no fuzzer found anything, 1 when one did, 77 when clang
# or its fuzzer runtime is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
build=${MORVEL_FUZZ_BUILD_DIR:-build-fuzz}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed; skipping the fuzzers"
  exit 77
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
  clang++ -x c++ -fsanitize=fuzzer - -o /tmp/morvel-fuzz-probe.$$ >/dev/null 2>&1; then
  rm -f /tmp/morvel-fuzz-probe.$$
  echo "fuzz: clang++ cannot link libFuzzer (libclang-rt-14-dev missing?); skipping the fuzzers"
  exit 77
fi
rm -f /tmp/morvel-fuzz-probe.$$

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DMORVEL_FUZZ=ON -DMORVEL_WERROR=ON \
  -DBUILD_TESTING=OFF -DMORVEL_DESKTOP=OFF >/dev/null
cmake --build "$build" --target morvel_core_fuzz >/dev/null
fuzzers=()
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  cmake --build "$build" --target "$name" >/dev/null
  fuzzers+=("$name")
done

mkdir -p "$build/artifacts"
failed=()
for name in "${fuzzers[@]}"; do
  corpus=${name%_fuzz}
  mkdir -p "$build/corpus/$corpus"
  seeds=()
  [ -d "fuzz/corpus/$corpus" ] && seeds=("fuzz/corpus/$corpus")
  # Inputs as long as a small cartridge image for the loader; the others read
  # settings and patches, which need far less.
  case $name in
    ines_loader_fuzz) max_len=20000 ;;
    *) max_len=2048 ;;
  esac
  echo "fuzz: $name for $seconds s"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
    "$build/corpus/$corpus" "${seeds[@]}" >"$build/$name.log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$build/$name.log" | sed "s/^/fuzz: $name /" || true
  else
    echo "fuzz: $name found a fault; see $build/$name.log and $build/artifacts/" >&2
    grep -E 'ERROR|SUMMARY|runtime error|fuzz:' "$build/$name.log" | head -5 >&2 || true
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: faults found by ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no faults in ${#fuzzers[@]} fuzzers"
