#!/bin/sh
# Builds the fuzz preset and runs every fuzzer for the given seconds each
# (default 30), starting from a copy of its seed corpus so the committed
# seeds stay as they are. Fails on any crash, sanitizer report or mismatch;
# the input that caused it is left in build/fuzz/findings/<fuzzer>/.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-30}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

status=0
for dir in fuzz/corpus/*/; do
  name=$(basename "$dir")
  work="build/fuzz/findings/$name"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp "$dir"* "$work/corpus/"
  echo "== $name, ${seconds} s"
  # Lines past 998 characters need inputs of a few kilobytes.
  if ! "build/fuzz/fuzz/$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1; then
    status=1
    echo "$name FAILED; see $work/log"
    tail -n 40 "$work/log"
  fi
  grep -E 'cov: .*corp:' "$work/log" | tail -n 1
  grep -E '^Done ' "$work/log" || true
done
exit $status
