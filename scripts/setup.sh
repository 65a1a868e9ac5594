#!/usr/bin/env bash
# Installs the Debian packages morvel needs to build, test and run.
# Idempotent and quiet: packages already present are skipped.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ libgtest-dev   # build and tests
  qt6-base-dev                                    # window, menus, dialogs
  libqt6opengl6-dev                               # the picture through OpenGL
  libsdl2-dev                                     # sound output and game pads
  libmp3lame-dev                                  # MP3 sound track of recordings
  cc65                                            # assembles our own test cartridges and demo
  ffmpeg                                          # reads recorded AVI files back in tests
  xvfb xdotool                                    # end-to-end tests of the real window
  weston qt6-wayland                              # the real window under a headless Wayland compositor
  dbus-daemon                                     # a private session bus for the screen saver test
  desktop-file-utils                              # checks the installed launcher entry
  clang libclang-rt-14-dev                        # libFuzzer and sanitizer runtimes
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq >/dev/null
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
