#!/bin/sh
# Installs what is missing, builds everything with the board's firmware, and
# makes the Debian package build/package/orvalinder_<version>_<arch>.deb.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh --package
cmake --preset default -DORVALINDER_REQUIRE_BOARD=ON
cmake --build --preset default
cpack --config build/default/CPackConfig.cmake -B build/package
ls build/package/orvalinder_*.deb
