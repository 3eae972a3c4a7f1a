#!/bin/sh
# Installs what is missing, builds everything and runs the whole test suite:
# once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and
# the Qt-free core built for Windows and run under Wine; then every fuzzer
# for 30 seconds.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh --tests
for preset in default asan tsan windows-core; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
./scripts/fuzz.sh 30
