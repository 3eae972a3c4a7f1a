#!/bin/sh
# Installs what is missing, builds the program and starts it.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
if [ ! -x build/default/app/orvalinder ]; then
  echo "Orvalinder's core is built and tested by scripts/test.sh; its window is not part of this version yet."
  exit 0
fi
exec build/default/app/orvalinder "$@"
