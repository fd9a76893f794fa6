#!/usr/bin/env bash
# Time from start to the first reading of tarvelo-read, per protocol: the Windows
# program under Wine next to the Linux one, each once with no protocol remembered for
# the port and once with the one found before. Run by scripts/windows-leg.sh, which
# sets up Wine, the simulator and the builds; prints one line per protocol.
set -euo pipefail
cd "$(dirname "$0")/.."
windows_read=build/mingw/tools/read/tarvelo-read.exe
scratch=$(mktemp -d)
trap 'tests/wine/balances.sh stop "$scratch/balances"; rm -rf "$scratch"' EXIT
tests/wine/balances.sh start "$scratch/balances"

# Seconds the command takes to print one reading and end.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" --count 1 >/dev/null
  end=$(date +%s.%N)
  awk -v start="$start" -v end="$end" 'BEGIN { printf "%.2f", end - start }'
}

forget_wine() { tests/wine/run.sh reg delete 'HKCU\Software\Korvane\Tarvelo' /f >/dev/null 2>&1 || true; }

printf '%-9s %-26s %-26s\n' protocol 'Windows under Wine, s' 'Linux native, s'
printf '%-9s %-26s %-26s\n' '' 'search / remembered' 'search / remembered'
for entry in 7:bm 8:tsk 9:b; do
  com=${entry%%:*}
  export XDG_CONFIG_HOME=$scratch/config-$com
  mkdir -p "$XDG_CONFIG_HOME/Korvane/Tarvelo/ports"
  ln -sfn "$(head -n 1 "$scratch/balances/com$com.path")" "$XDG_CONFIG_HOME/Korvane/Tarvelo/ports/COM$com"
  forget_wine
  wine_search=$(seconds tests/wine/run.sh "$windows_read" --com "$com")
  wine_known=$(seconds tests/wine/run.sh "$windows_read" --com "$com")
  native_search=$(seconds "$TARVELO_NATIVE_READ" --com "$com")
  native_known=$(seconds "$TARVELO_NATIVE_READ" --com "$com")
  printf '%-9s %-26s %-26s\n' "${entry#*:}" "$wine_search / $wine_known" "$native_search / $native_known"
done
