#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the program against the demo balance
# on COM1 of a separate demo profile (the user's own settings and port links are
# never touched). With --hands-free the balance is a cage of mice put on the pan one
# after another, each read by a tag reader on COM2 as it goes on, and the program weighs
# each of them by itself under its tag's number.
set -euo pipefail
cd "$(dirname "$0")"

scripts/build.sh

export XDG_CONFIG_HOME="$PWD/build/demo-profile"
mkdir -p "$XDG_CONFIG_HOME"
balance=(--protocol bm --com 1)
if [ "${1:-}" = "--hands-free" ]; then
  # Empty pan 3 s, then a mouse of 24 to 32 g moving about for 8 s, and so on.
  balance+=(--profile "3:0:0.02,8:24-32:1.5" --unstable-every 0 --tag-reader-com 2
    --tags 985000000001001,985000000001002,985000000001003,985000000001004,985000000001005)
  # Hands-free weighing names each result after the objects: the demo's are mice, each
  # with its tag read on COM2.
  settings="$XDG_CONFIG_HOME/Korvane/Tarvelo/Tarvelo/Version_U1.0.0"
  if [ ! -f "$settings" ]; then
    mkdir -p "$(dirname "$settings")"
    printf 'eUnit\ttext\tМышь\n' >"$settings"
  fi
  grep -q '^TagReaderCOM' "$settings" || printf 'TagReaderCOM\tnumber\t2\n' >>"$settings"
fi
build/release/tools/balance_sim/tarvelo-balance-sim "${balance[@]}" >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null' EXIT
sleep 0.5
echo "Demo balance on COM1 (choose COM1 in the window)."
# "Справка" opens HELP.doc from the folder the program starts in.
cd build/release/app && ./Tarvelo "$@"
