#!/bin/sh
# Saves pictures of the window (each remote, the click areas, the IR
# Monitor) into screenshots/, drawn offscreen from a build.
set -eu
cd "$(dirname "$0")/.."
cmake --build --preset default --target orvalinder-screenshots
QT_QPA_PLATFORM=offscreen build/default/app/orvalinder-screenshots screenshots
ls screenshots
