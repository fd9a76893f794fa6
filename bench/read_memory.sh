#!/usr/bin/env bash
# Resident memory of tarvelo-read reading the demo balance for a while (default
# 600 s): first sample, peak and last, from /proc.
#   bench/read_memory.sh [seconds] [build dir, default build/release]
set -euo pipefail
seconds=${1:-600}
build=${2:-build/release}
export XDG_CONFIG_HOME=$(mktemp -d)
"$build/tools/balance_sim/tarvelo-balance-sim" --protocol bm --com 43 --period-ms 100 >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; rm -rf "$XDG_CONFIG_HOME"' EXIT
sleep 0.5
"$build/tools/read/tarvelo-read" --com 43 --seconds "$seconds" >/dev/null &
reader=$!
sleep 2
first=$(awk '/VmRSS/ {print $2}' /proc/$reader/status)
last=$first
lines=0
while kill -0 $reader 2>/dev/null; do
  rss=$(awk '/VmRSS/ {print $2}' /proc/$reader/status 2>/dev/null || true)
  peak=$(awk '/VmHWM/ {print $2}' /proc/$reader/status 2>/dev/null || true)
  [ -n "$rss" ] && last=$rss && hwm=$peak
  sleep 5
done
echo "tarvelo-read over ${seconds} s: RSS first ${first} kB, last ${last} kB, peak ${hwm} kB"
