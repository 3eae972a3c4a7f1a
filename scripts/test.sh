#!/bin/sh
# Installs what is missing, builds everything and runs the whole test suite:
# once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the threaded tests under ThreadSanitizer.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
for preset in default asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
