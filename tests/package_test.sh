#!/bin/sh
# Makes the Debian package from a build folder into a temporary folder and
# checks it as a distribution would: lintian finds no error or warning,
# the AppStream data validates, the files a desktop looks for are there,
# its dependencies were computed, and the packaged program runs.
# Usage: package_test.sh <build folder>
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  exit 1
fi
deb=$(ls "$out"/orvalinder_*_*.deb)
ls -l "$deb"
dpkg-deb -f "$deb" Depends

if ! lintian --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1; then
  cat "$out/lintian.log"
  exit 1
fi

dpkg-deb -x "$deb" "$out/root"
appstreamcli validate --no-net "$out/root/usr/share/metainfo/org.orvalinder.orvalinder.metainfo.xml"

missing=""
for file in \
  usr/bin/orvalinder usr/bin/irbridge-sim usr/bin/irbridge-avr usr/bin/orvalinder-codes \
  usr/share/applications/orvalinder.desktop \
  usr/share/metainfo/org.orvalinder.orvalinder.metainfo.xml \
  usr/share/icons/hicolor/16x16/apps/orvalinder.png \
  usr/share/icons/hicolor/48x48/apps/orvalinder.png \
  usr/share/icons/hicolor/256x256/apps/orvalinder.png \
  usr/share/man/man1/orvalinder.1.gz usr/share/man/man1/irbridge-sim.1.gz usr/share/man/man1/irbridge-avr.1.gz usr/share/man/man1/orvalinder-codes.1.gz \
  usr/share/orvalinder/firmware/IrBridge.hex usr/lib/orvalinder/IrBridge.elf \
  usr/share/orvalinder/firmware/IrBridge/IrBridge.ino \
  usr/share/orvalinder/firmware/IrBridge/key_table.h \
  usr/share/orvalinder/code-sets/common.sets \
  usr/share/doc/orvalinder/copyright usr/share/doc/orvalinder/changelog.gz
do
  [ -e "$out/root/$file" ] || missing="$missing $file"
done
if [ -n "$missing" ]; then
  echo "Not in the package:$missing"
  exit 1
fi

# Nothing that widens permissions: no udev rules, no set-id programs.
if find "$out/root" -path '*udev*' -o -perm -4000 -o -perm -2000 | grep .; then
  echo "The package must not change who may open serial ports"
  exit 1
fi

for library in libqt6widgets6 libqt6serialport6 libc6; do
  dpkg-deb -f "$deb" Depends | grep -q "$library" || { echo "Depends lacks $library"; exit 1; }
done

"$out/root/usr/bin/orvalinder" --version

# The codes tool finds the common brands' code sets installed beside it.
"$out/root/usr/bin/orvalinder-codes" candidates --key Power --kind tv | head -n 1 | grep -qxF '!SNEC:20DF10EF' || {
  echo "orvalinder-codes did not find the installed code sets"
  exit 1
}

# The simulated board finds the firmware installed beside it.
printf 'quit\n' | "$out/root/usr/bin/irbridge-avr" --quiet | grep -q '^/dev/' || {
  echo "irbridge-avr did not start with the installed firmware"
  exit 1
}
