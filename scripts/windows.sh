#!/usr/bin/env bash
# Cross-builds morvel for 64-bit Windows with Debian's mingw-w64 (posix threads)
# and packages it as a zip that runs with nothing else installed.
#
#   bash scripts/windows.sh [--desktop]
#
# LAME (and, for the desktop program, SDL2 and qtbase) are built once from
# Debian's source packages into build-windows/prefix and rebuilt only when
# missing. Out: build-windows/morvel-windows-x64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
desktop=0
for arg in "$@"; do
  case "$arg" in
    --desktop) desktop=1 ;;
    *) echo "usage: scripts/windows.sh [--desktop]" >&2; exit 2 ;;
  esac
done
out=${MORVEL_WINDOWS_DIR:-$root/build-windows}
prefix=$out/prefix
sources=$out/sources
host=x86_64-w64-mingw32
mkdir -p "$out" "$prefix" "$sources"

# --- Debian packages: the cross compilers, wine to run the tests, and what the
# source packages need to unpack and build.
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine wine64 dpkg-dev make zip cmake ninja-build
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
# apt-get source needs source entries; add Debian's beside the binary ones.
src_list=/etc/apt/sources.list.d/morvel-deb-src.sources
need_update=0
if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "windows: adding Debian's source package entries ($src_list)"
  sed -n 's/^Types: deb$/Types: deb-src/p; /^\(URIs\|Suites\|Components\|Signed-By\):/p; /^$/p' \
    /etc/apt/sources.list.d/debian.sources | $sudo_cmd tee "$src_list" >/dev/null
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ "$need_update" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq >/dev/null
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "windows: installing ${missing[*]}"
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
# Unpacks a Debian source package (with Debian's patches) into $sources once.
unpack() {
  local name=$1
  local dir
  dir=$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "$2" | head -1)
  if [ -z "$dir" ]; then
    (cd "$sources" && apt-get source -qq "$name" >/dev/null 2>&1)
    dir=$(find "$sources" -maxdepth 1 -mindepth 1 -type d -name "$2" | head -1)
  fi
  [ -n "$dir" ] || { echo "windows: cannot fetch the source package $name" >&2; exit 1; }
  echo "$dir"
}

# --- LAME: the MP3 encoder of recordings, a static library.
if [ ! -f "$prefix/lib/libmp3lame.a" ]; then
  echo "windows: building LAME"
  dir=$(unpack lame 'lame-*')
  rm -rf "$out/lame-build" && mkdir -p "$out/lame-build"
  (cd "$out/lame-build" && "$dir/configure" -q --host=$host --prefix="$prefix" \
      --disable-shared --enable-static --disable-frontend --disable-decoder \
      CC=$host-gcc-posix CFLAGS="-O2" >/dev/null &&
    make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null)
fi

# --- morvel-headless.exe: the same sources through the cross toolchain.
cross=$out/build
desktop_flag=OFF
[ "$desktop" = 1 ] && desktop_flag=ON
cmake -S "$root" -B "$cross" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DMORVEL_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DMORVEL_WERROR=ON \
  -DMORVEL_DESKTOP=$desktop_flag -DBUILD_TESTING=OFF >/dev/null
targets=(morvel-headless)
[ "$desktop" = 1 ] && targets+=(morvel)
nice cmake --build "$cross" --target "${targets[@]}"

# --- The zip: the executables and what they need, nothing else to install.
stage=$out/morvel
rm -rf "$stage" && mkdir -p "$stage"
cp "$cross/morvel-headless.exe" "$stage/"
# Statically linked: only the system's own DLLs may be asked for.
if x86_64-w64-mingw32-objdump -p "$stage"/*.exe | grep -i "DLL Name" |
  grep -Eiv "(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|winmm|imm32|version|setupapi|uxtheme|dwmapi|comdlg32|netapi32|userenv|mpr|authz|crypt32|bcrypt|d3d9|d3d11|d3d12|dxgi|dwrite|opengl32|shcore|winspool|wtsapi32|msvcrt|api-ms-win-[a-z0-9-]*)\.dll"; then
  echo "windows: the executables ask for the DLLs above, which Windows does not have" >&2
  exit 1
fi
rm -f "$out/morvel-windows-x64.zip"
(cd "$out" && zip -qr morvel-windows-x64.zip morvel)
echo "windows: $out/morvel-windows-x64.zip"
