#!/usr/bin/env bash
# Cross-builds morvel for 64-bit Windows with Debian's mingw-w64 (posix threads)
# and packages it as a zip that runs with nothing else installed.
#
#   bash scripts/windows.sh [--desktop]
#
# LAME (and, for the desktop program, SDL2 and qtbase) are built once from
# Debian's source packages into build-windows/prefix and rebuilt only when
# missing; once they are there, morvel.exe is always built. Out:
# build-windows/morvel-windows-x64.zip.
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
# Once qtbase is built, the desktop program is always built with the rest.
[ -f "$prefix/bin/Qt6Widgets.dll" ] && desktop=1

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

# --- SDL2 (sound and game pads) and qtbase (the window), for the desktop
# program only: DLLs beside morvel.exe. qtbase takes about two hours of one
# core; its build folder is kept, so a stopped build goes on where it was.
if [ "$desktop" = 1 ] && [ ! -f "$prefix/bin/SDL2.dll" ]; then
  echo "windows: building SDL2"
  dir=$(unpack libsdl2 'libsdl2-*')
  rm -rf "$out/sdl2-build" && mkdir -p "$out/sdl2-build"
  (cd "$out/sdl2-build" && "$dir/configure" -q --host=$host --prefix="$prefix" \
      --enable-shared --disable-static CC=$host-gcc-posix >/dev/null &&
    nice make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null)
fi
if [ "$desktop" = 1 ] && [ ! -f "$prefix/bin/Qt6Widgets.dll" ]; then
  echo "windows: building qtbase (about two hours of one core; $out/qtbase-build.log)"
  dir=$(unpack qt6-base 'qt6-base-*')
  # The host's Qt tools (moc, rcc, uic) of the same version do the code
  # generation. Debian's source package leaves out the tablet headers
  # (src/3rdparty/wintab), so tablet events are off. Configured again only
  # when these options change; the build goes on where it stopped.
  qt_options=(-G Ninja -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DMORVEL_WINDOWS_PREFIX="$prefix"
    -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_dbus=OFF -DFEATURE_openssl=OFF -DFEATURE_icu=OFF -DFEATURE_testlib=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DINPUT_opengl=desktop)
  stamp=$out/qtbase-build/morvel-options
  if [ ! -f "$out/qtbase-build/build.ninja" ] || [ "$(cat "$stamp" 2>/dev/null)" != "${qt_options[*]}" ]; then
    cmake -S "$dir" -B "$out/qtbase-build" "${qt_options[@]}" >"$out/qtbase-build.log" 2>&1
    echo "${qt_options[*]}" >"$stamp"
  fi
  nice -n 19 cmake --build "$out/qtbase-build" -j "${MORVEL_QT_JOBS:-1}" >>"$out/qtbase-build.log" 2>&1 ||
    { echo "windows: qtbase did not build; see $out/qtbase-build.log" >&2; exit 1; }
  cmake --install "$out/qtbase-build" >>"$out/qtbase-build.log" 2>&1
fi

# --- morvel-headless.exe: the same sources through the cross toolchain.
cross=$out/build
desktop_flag=OFF
[ "$desktop" = 1 ] && desktop_flag=ON
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR= \
  cmake -S "$root" -B "$cross" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DMORVEL_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DMORVEL_WERROR=ON \
  -DMORVEL_DESKTOP=$desktop_flag -DBUILD_TESTING=OFF >/dev/null
targets=(morvel-headless)
[ "$desktop" = 1 ] && targets+=(morvel)
nice cmake --build "$cross" --target "${targets[@]}"

# --- The zip: the executables and what they need, nothing else to install.
stage=$out/morvel
rm -rf "$stage" && mkdir -p "$stage"
cp "$cross/morvel-headless.exe" "$stage/"
if [ "$desktop" = 1 ]; then
  gcc_dir=$(dirname "$($host-g++-posix -print-libgcc-file-name)")
  cp "$cross/morvel.exe" "$prefix/bin/SDL2.dll" "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" \
    "/usr/$host/lib/libwinpthread-1.dll" "$stage/"
  for lib in Core Gui Widgets OpenGL OpenGLWidgets Network; do
    [ -f "$prefix/bin/Qt6$lib.dll" ] && cp "$prefix/bin/Qt6$lib.dll" "$stage/"
  done
  mkdir -p "$stage/platforms" "$stage/styles" "$stage/roms"
  cp "$prefix/plugins/platforms/qwindows.dll" "$stage/platforms/"
  cp "$prefix"/plugins/styles/*.dll "$stage/styles/" 2>/dev/null || true
  nice cmake --build "$cross" --target cartridges >/dev/null
  cp "$cross/roms/demo.nes" "$stage/roms/"
fi
# Only the system's own DLLs and those in the zip may be asked for.
shipped=$(find "$stage" -maxdepth 1 -name '*.dll' -printf '%f\n' | sed 's/[.+]/\\&/g' | paste -sd'|' -)
if x86_64-w64-mingw32-objdump -p "$stage"/*.exe "$stage"/*.dll 2>/dev/null | grep -i "DLL Name" |
  { [ -n "$shipped" ] && grep -Eiv "DLL Name: ($shipped)\$" || cat; } |
  grep -Eiv "(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|winmm|imm32|version|setupapi|uxtheme|dwmapi|comdlg32|netapi32|userenv|mpr|authz|crypt32|bcrypt|dnsapi|iphlpapi|secur32|winhttp|d3d9|d3d11|d3d12|dxgi|dwrite|opengl32|shcore|winspool|wtsapi32|msvcrt|api-ms-win-[a-z0-9-]*)\.dll"; then
  echo "windows: the executables ask for the DLLs above, which Windows does not have" >&2
  exit 1
fi
rm -f "$out/morvel-windows-x64.zip"
(cd "$out" && zip -qr morvel-windows-x64.zip morvel)
echo "windows: $out/morvel-windows-x64.zip"
