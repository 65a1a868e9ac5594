#!/usr/bin/env bash
# `cmake --install` into a fresh prefix puts the program, its launcher entry,
# its icon in the hicolor sizes and the cartridge images' MIME type where the
# desktop looks for them, and the entry names the icon and the type installed.
#   install_test.sh BUILD_FOLDER
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
"$prefix/bin/morvel" --version | grep -q '^morvel [0-9]' || fail "bin/morvel does not run"
[ -x "$prefix/bin/morvel-headless" ] || fail "no bin/morvel-headless"

entry=$prefix/share/applications/morvel.desktop
[ -f "$entry" ] || fail "no $entry"
icon=$(sed -n 's/^Icon=//p' "$entry")
type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$entry")
[ "$type" = application/x-nes-rom ] || fail "the entry's MIME type is '$type'"
grep -q '^Exec=morvel %f$' "$entry" || fail "the entry does not hand the file to morvel"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
  # The PNG signature, then the header's width and height (big-endian).
  header=$(od -An -tx1 -N24 "$png" 2>/dev/null | tr -d ' \n')
  [ "$header" = "89504e470d0a1a0a0000000d49484452$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "$png is not a ${size}x${size} PNG"
done

package=$prefix/share/mime/packages/morvel.xml
grep -q "<mime-type type=\"$type\">" "$package" || fail "$package does not define $type"
if command -v xmllint >/dev/null; then xmllint --noout "$package" || fail "$package is not XML"; fi
# The MIME database made from the package maps the file name to the type.
if command -v update-mime-database >/dev/null; then
  grep -q "^50:$type:\*\.nes$" "$prefix/share/mime/globs2" || fail "*.nes is not $type"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
else
  echo "desktop-file-validate is not installed: the entry was not validated"
fi
