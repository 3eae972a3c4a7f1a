#!/bin/sh
# Builds the fuzz preset and runs every fuzzer for the given seconds each
# (default 30), two at a time, starting from a copy of its seed corpus so
# the committed seeds stay as they are. Fails on any crash, sanitizer report
# or mismatch; the input that caused it is left in build/fuzz/findings/<fuzzer>/.
set -eu
cd "$(dirname "$0")/.."

if [ "${1:-}" = --one ]; then
  # One fuzzer; its summary is printed with the others once all have run.
  name="$2" seconds="$3"
  work="build/fuzz/findings/$name"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp "fuzz/corpus/$name/"* "$work/corpus/"
  status=0
  # Lines past 998 characters need inputs of a few kilobytes.
  "build/fuzz/fuzz/$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1 || status=1
  {
    echo "== $name, ${seconds} s"
    if [ "$status" != 0 ]; then
      echo "$name FAILED; see $work/log"
      tail -n 40 "$work/log"
    fi
    grep -E 'cov: .*corp:' "$work/log" | tail -n 1
    grep -E '^Done ' "$work/log" || true
  } >"$work/summary"
  exit "$status"
fi

seconds="${1:-30}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The machines have two cores.
status=0
ls fuzz/corpus | xargs -P 2 -I '{}' "$0" --one '{}' "$seconds" || status=1
for name in $(ls fuzz/corpus); do
  cat "build/fuzz/findings/$name/summary"
done
if [ "$status" != 0 ]; then
  echo "A fuzzer found a fault; its input is in build/fuzz/findings/."
fi
exit "$status"
