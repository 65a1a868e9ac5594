#!/usr/bin/env bash
# Starts the packaged morvel.exe under wine in Xvfb with the demo, takes a
# screenshot of its still title (Ctrl+0) and compares it byte for byte with the
# Linux morvel-headless's screenshot of the same title; then leaves through the
# menu. Needs scripts/windows.sh --desktop first.
#
#   bash scripts/wine_desktop.sh [LINUX_BUILD] [ZIP]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux=$(realpath -m "${1:-build}")/morvel-headless
zip=$(realpath -m "${2:-build-windows/morvel-windows-x64.zip}")
work=$(mktemp -d /tmp/morvel-wine-desktop.XXXXXX)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=${MORVEL_WINEPREFIX:-$root/build-windows/wineprefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" SDL_AUDIODRIVER=dummy
wine=$(command -v wine64 || command -v wine)
unzip -q "$zip" -d "$work"
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
(cd "$work/morvel" && "$wine" morvel.exe 'roms\demo.nes' >/dev/null 2>&1) &
window=$(timeout 120 xdotool search --sync --name "morvel" | head -1)
[ -n "$window" ] || { echo "wine_desktop: no window appeared" >&2; exit 1; }
sleep 3
xdotool windowfocus --sync "$window" key --window "$window" ctrl+0
for _ in $(seq 100); do
  shot=$(find "$work/morvel/screenshots" -name 'demo.nes *.bmp' 2>/dev/null | head -1)
  [ -n "$shot" ] && break
  sleep 0.2
done
[ -n "$shot" ] || { echo "wine_desktop: no screenshot was written" >&2; exit 1; }
sleep 1
(cd "$work" && cp "$work/morvel/roms/demo.nes" . && "$linux" --frames 120 --screenshot title.bmp demo.nes >/dev/null)
cmp "$shot" "$work/title.bmp" || { echo "wine_desktop: the screenshot differs" >&2; exit 1; }
xdotool key --delay 250 alt+f e
timeout 30 wineserver -w || true
echo "wine_desktop: morvel.exe showed the demo and wrote its screenshot under wine"
