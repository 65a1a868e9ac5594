#!/usr/bin/env bash
# Prints the share of test lines in the project: lines of tests/ and fuzz/
# (C++ and test-cartridge assembly) against those plus the lines of src/ and
# resources/, blank lines not counted.
#
#   scripts/test_share.sh [--max SHARE]
#
# With --max, exits 1 when the share is above SHARE (for example 0.33).
set -euo pipefail
cd "$(dirname "$0")/.."

max=""
if [ "${1:-}" = --max ]; then
  max=${2:?usage: $0 [--max SHARE]}
elif [ $# -gt 0 ]; then
  echo "usage: $0 [--max SHARE]" >&2
  exit 2
fi

# Non-blank lines of the C++ and assembly files under the given folders.
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.s' -o -name '*.inc' \) -print0 |
    xargs -0 cat | grep -cv '^[[:space:]]*$'
}

tests=$(count tests fuzz)
code=$(count src resources)
share=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.3f", t / (t + c) }')
echo "test share: $share ($tests lines of tests and fuzzers, $code lines of code)"
if [ -n "$max" ] && awk -v s="$share" -v m="$max" 'BEGIN { exit !(s > m) }'; then
  echo "test share: above $max" >&2
  exit 1
fi
