#!/bin/sh
# Installs what is missing, builds everything and runs the whole test suite:
# once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and
# the Qt-free core built for Windows and run under Wine; then every fuzzer
# for 10 seconds: a check on every change; longer runs are started by hand.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh --tests
for preset in default asan tsan windows-core; do
  # The board's firmware and simulator are part of the test, never skipped.
  cmake --preset "$preset" -DORVALINDER_REQUIRE_BOARD=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
./scripts/fuzz.sh 10
