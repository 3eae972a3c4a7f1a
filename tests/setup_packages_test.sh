#!/bin/sh
# Every package the set-up asks for is a real package that is installed once
# the set-up has run; a virtual name would make every start ask apt again.
set -eu
cd "$(dirname "$0")/.."
status=0
for p in $(./scripts/setup.sh --list); do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    echo "not an installed package: $p"
    status=1
  fi
done
exit $status
