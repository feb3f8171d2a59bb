#!/usr/bin/env bash
# Set-up as scripts/setup.sh does, then one logged run for localhost port 80:
# prints the exit status, the DAT record in hex and the trace log.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh default
out=$(mktemp -d)
status=0
build/tralvinex-lookup localhost 80 9 "$out/localhost.dat" "$out" || status=$?
echo "exit status: $status"
echo "DAT record ($out/localhost.dat):"
od -An -tx1 -v "$out/localhost.dat"
echo "trace log:"
cat "$out"/Tralvinex*.log
