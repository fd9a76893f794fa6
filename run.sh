#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the program against the demo balance
# on COM1 of a separate demo profile (the user's own settings and port links are
# never touched).
set -euo pipefail
cd "$(dirname "$0")"

scripts/build.sh

export XDG_CONFIG_HOME="$PWD/build/demo-profile"
mkdir -p "$XDG_CONFIG_HOME"
build/release/tools/balance_sim/tarvelo-balance-sim --protocol bm --com 1 >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null' EXIT
sleep 0.5
echo "Demo balance on COM1 (choose COM1 in the window)."
# "Справка" opens HELP.doc from the folder the program starts in.
cd build/release/app && ./Tarvelo "$@"
