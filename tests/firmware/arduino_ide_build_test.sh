#!/bin/sh
# The sketch as the Arduino IDE builds it: arduino-builder with Debian's
# Arduino core for the Uno. It must build, keep its RAM at 80% or less, and,
# run in the simulated board, send key A101's frame.
# Usage: arduino_ide_build_test.sh SKETCH_DIR IRBRIDGE_AVR
set -eu
sketch=$1
simulator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The IDE's layout: the platforms and the builder's own platform.txt in one
# hardware folder, the sketch in a folder of its name.
mkdir "$work/hardware" "$work/build" "$work/IrBridge"
ln -s /usr/share/arduino/hardware/arduino "$work/hardware/arduino"
ln -s /usr/share/arduino-builder/platform.txt "$work/hardware/platform.txt"
cp "$sketch"/* "$work/IrBridge/"

# Debian's Arduino core (1.8) uses DECIMAL_DIG, which avr-libc's float.h
# leaves out for C++; the core's String class cannot build without it.
if ! arduino-builder -hardware "$work/hardware" -tools /usr/bin -fqbn arduino:avr:uno \
    -build-path "$work/build" -warnings all -prefs=compiler.cpp.extra_flags=-DDECIMAL_DIG=17 \
    "$work/IrBridge/IrBridge.ino" >"$work/log" 2>&1; then
  cat "$work/log"
  exit 1
fi
# Warnings in the sketch's own files are faults to mend; the core's are not ours.
if grep -E "/sketch/.*warning" "$work/log"; then exit 1; fi
grep -E "^(Sketch uses|Global variables use)" "$work/log"
percent=$(sed -n 's/^Global variables use [0-9]* bytes (\([0-9]*\)%).*/\1/p' "$work/log")
if [ "$percent" -gt 80 ]; then
  echo "the sketch takes $percent% of the RAM, more than 80%"
  exit 1
fi

python3 - "$simulator" "$work/build/IrBridge.ino.elf" <<'PY'
import os, select, subprocess, sys, time
board = subprocess.Popen([sys.argv[1], sys.argv[2]], stdout=subprocess.PIPE, text=True)
try:
    port = os.open(board.stdout.readline().strip(), os.O_RDWR | os.O_NOCTTY)
    time.sleep(0.5)  # the board starts
    os.write(port, b"A101")
    ready, _, _ = select.select([board.stdout], [], [], 10)
    line = board.stdout.readline() if ready else ""
    print(line.strip()[:60])
    sys.exit(0 if line.startswith("sent PANASONIC 4004:") else 1)
finally:
    board.terminate()
PY
