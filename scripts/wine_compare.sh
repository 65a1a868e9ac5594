#!/usr/bin/env bash
# Runs the Linux and the Windows morvel-headless (under wine) on the same
# inputs and compares what they write byte for byte: the nestest trace,
# screenshots, WAV files, state files saved over one another, a recording with
# its MP3 sound track, and the verdict and last picture of every board
# cartridge of tests/roms. A cartridge named in Japanese checks that UTF-8
# file names open.
#
#   bash scripts/wine_compare.sh [LINUX_BUILD] [WINDOWS_BUILD]
#
# Defaults: build/ and build-windows/build/. Exits 1 on the first difference.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=$(realpath -m "${1:-build}")
linux=$linux_build/morvel-headless
exe=$(realpath -m "${2:-build-windows/build}")/morvel-headless.exe
roms=$linux_build/test_roms
shared=$root/../shared/roms
for f in "$linux" "$exe"; do [ -f "$f" ] || { echo "wine_compare: $f is missing" >&2; exit 1; }; done
[ -n "${MORVEL_WINDOWS_DIR:-}" ] && [ -z "${MORVEL_WINEPREFIX:-}" ] && MORVEL_WINEPREFIX=$MORVEL_WINDOWS_DIR/wineprefix
work=$(mktemp -d /tmp/morvel-wine.XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=${MORVEL_WINEPREFIX:-$root/build-windows/wineprefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no .NET or Gecko prompts in a new prefix
wine=$(command -v wine64 || command -v wine)
# A new prefix is made once and its set-up finished before the first run.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
compared=0

# pair NAME ARGS...: runs both programs in folders of their own (files named
# relative to it) and compares stdout, the exit status and every file written.
pair() {
  local name=$1
  shift
  mkdir -p "$work/linux/$name" "$work/windows/$name"
  local status_l=0 status_w=0
  (cd "$work/linux/$name" && "$linux" "$@" >stdout 2>"$work/stderr.linux") || status_l=$?
  (cd "$work/windows/$name" && "$wine" "$exe" "$@" >stdout 2>"$work/stderr.windows") || status_w=$?
  if [ "$status_l" != "$status_w" ]; then
    echo "wine_compare: $name: exit status $status_l on Linux, $status_w under wine" >&2
    cat "$work/stderr.linux" "$work/stderr.windows" >&2
    exit 1
  fi
  # The recorder's own timings are the only words that may differ.
  sed -i 's/; per frame .*//' "$work/linux/$name/stdout" "$work/windows/$name/stdout"
  if ! diff -r "$work/linux/$name" "$work/windows/$name" >"$work/diff" 2>&1; then
    echo "wine_compare: $name differs:" >&2
    head -5 "$work/diff" >&2
    exit 1
  fi
  compared=$((compared + 1))
}

# The inputs, copied into both folders by name.
inputs() {
  local name=$1
  shift
  mkdir -p "$work/linux/$name" "$work/windows/$name"
  for f in "$@"; do cp "$f" "$work/linux/$name/" && cp "$f" "$work/windows/$name/"; done
}

if [ -f "$shared/cpu/nestest.nes" ]; then
  inputs nestest "$shared/cpu/nestest.nes"
  pair nestest --nestest --steps 8991 nestest.nes
fi
game=$roms/../roms/demo.nes
[ -f "$game" ] || game=$roms/ppu_picture.nes
inputs picture "$game"
pair picture --frames 240 --press 100-200:Right+A --screenshot shot.bmp --wav sound.wav \
  --screen-text "$(basename "$game")"
# Slot 0 saved twice, then slot 1: each save replaces the state file.
inputs states "$roms/battery_counter.nes"
pair states --frames 120 --data-dir data --save-state 0@30 --save-state 0@60 --save-state 1@90 \
  --load-state 0@100 --dump-ram ram.bin battery_counter.nes
inputs record "$game"
pair record --frames 180 --random-input 3000000000 --record run.avi --quality 1 \
  "$(basename "$game")"
# A recording over an older file replaces it once complete.
inputs rerecord "$game"
for side in linux windows; do echo "an older recording" >"$work/$side/rerecord/run.avi"; done
pair rerecord --frames 60 --record run.avi "$(basename "$game")"
# A file name outside any ANSI code page.
mkdir -p "$work/linux/unicode" "$work/windows/unicode"
for side in linux windows; do cp "$roms/nrom_board.nes" "$work/$side/unicode/ロックマン.nes"; done
pair unicode --frames 30 --data-dir data --save-state 0@10 --screenshot shot.bmp ロックマン.nes
for rom in "$roms"/*_board.nes; do
  name=$(basename "$rom" .nes)
  inputs "$name" "$rom"
  pair "$name" --until-result --frames 600 --screenshot shot.bmp "$name.nes"
done
# Each comparison above compared something: the files it is meant to write.
for f in picture/shot.bmp picture/sound.wav states/data/savestates/battery_counter.nes.yss \
  states/data/saves/battery_counter.sav record/run.avi \
  rerecord/run.avi unicode/data/savestates/ロックマン.nes.yss; do
  [ "$(stat -c %s "$work/windows/$f" 2>/dev/null || echo 0)" -gt 100 ] ||
    { echo "wine_compare: $f was not written" >&2; exit 1; }
done
[ "$(wc -l <"$work/windows/nestest/stdout")" -ge 8991 ] ||
  [ ! -f "$shared/cpu/nestest.nes" ] || { echo "wine_compare: the nestest trace is short" >&2; exit 1; }
echo "wine_compare: $compared runs byte-identical under wine"
