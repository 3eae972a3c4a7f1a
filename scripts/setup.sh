#!/bin/sh
# Installs the Debian packages the build and the program need, asking apt
# only for what is missing. With --package also the board's compiler and
# simulator and the package tools; with --tests everything the whole test
# suite needs. With --list it prints every name and installs nothing.
# Every name is a real package, never a virtual one: dpkg never reports a
# virtual name as installed, so it would be asked for on every run.
set -eu

# The build, and what the program runs: avrdude puts the firmware on the board,
# libmosquitto is its MQTT client.
packages="cmake ninja-build ccache g++ pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-serialport-dev libxkbcommon-dev libmosquitto-dev
  fonts-liberation
  avrdude"
# The board's compiler and simulator, the Arduino IDE's build of its sketch,
# and what makes and checks the package.
package_packages="gcc-avr binutils-avr avr-libc simavr libsimavr-dev libelf-dev
  arduino-builder arduino-core-avr dpkg-dev lintian appstream"
# An X server for the end-to-end run, Windows cross tools and Wine, clang
# for the fuzzers, LIRC (its irsimsend and pronto2lirc are the references
# the codes are checked against), an MQTT broker and its clients, and
# openssl for the broker's test certificates.
test_packages="xvfb xauth xdotool x11-apps python3
  g++-mingw-w64-x86-64-posix googletest wine wine64
  clang libclang-rt-14-dev
  lirc
  mosquitto mosquitto-clients openssl"

case "${1:-}" in
  --list) printf '%s\n' $packages $package_packages $test_packages; exit 0 ;;
  --package) packages="$packages $package_packages" ;;
  --tests) packages="$packages $package_packages $test_packages" ;;
esac

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
