#!/bin/sh
# Installs the Debian packages the build, the program and its tests need,
# asking apt only for what is missing. With --list it only prints the names.
# Every name is a real package, never a virtual one: dpkg never reports a
# virtual name as installed, so it would be asked for on every run.
set -eu

packages="cmake ninja-build ccache g++ pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-serialport-dev libxkbcommon-dev
  fonts-liberation
  xvfb xauth xdotool x11-apps
  g++-mingw-w64-x86-64-posix googletest wine wine64
  clang libclang-rt-14-dev"

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' $packages
  exit 0
fi

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y $missing
