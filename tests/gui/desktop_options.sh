#!/usr/bin/env bash
# The desktop program's options are answered with no display at all: --help
# and --version print and succeed, an unknown option is refused with status 2.
#   desktop_options.sh MORVEL VERSION
set -u
morvel=$1 version=$2
export -n DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
[ "$("$morvel" --version)" = "morvel $version" ] || { echo "--version is wrong"; exit 1; }
"$morvel" --help | grep -q '^Usage: morvel \[OPTION\] \[CARTRIDGE.nes\]$' ||
  { echo "--help is wrong"; exit 1; }
why=$(QT_QPA_PLATFORM=offscreen "$morvel" --frobnicate 2>&1 >/dev/null)
status=$?
[ "$status" = 2 ] && [[ $why == *"unknown option '--frobnicate'"* ]] ||
  { echo "an unknown option gave status $status: $why"; exit 1; }
