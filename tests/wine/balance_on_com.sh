#!/bin/sh
# balance_on_com.sh DIR COM [OPTION...]: a simulated balance for one Windows test under
# Wine (tests/support/simulator_process_win32.cpp). Starts tarvelo-balance-sim with the
# options, maps its pseudo-terminal to COM<COM> of the Wine prefix (and the tag reader's,
# with --tag-reader-com N, to COM<N>), writes the terminal to DIR/ready; ends when DIR/stop
# appears, the simulator ends, or the test is long gone, and then removes the ports and
# writes DIR/stopped.
set -u
dir=$1
com=$2
shift 2
lifetime_polls=6000  # ten minutes, for a test that crashed before it said stop
unset LD_PRELOAD

"$TARVELO_WINE_SIM" "$@" >"$dir/path" 2>"$dir/err" &
sim=$!
tries=0
until [ -s "$dir/path" ]; do
  tries=$((tries + 1))
  kill -0 $sim 2>/dev/null && [ $tries -le 100 ] || exit 1
  sleep 0.05
done
port=$WINEPREFIX/dosdevices/com$com
terminal=$(head -n 1 "$dir/path")
ln -sfn "$terminal" "$port"
reader_port=
reader_com=$(printf '%s\n' "$@" | sed -n '/^--tag-reader-com$/{n;p;q}')
if [ -n "$reader_com" ]; then
  until [ "$(wc -l <"$dir/path")" -ge 2 ]; do
    kill -0 $sim 2>/dev/null || exit 1
    sleep 0.05
  done
  reader_port=$WINEPREFIX/dosdevices/com$reader_com
  ln -sfn "$(sed -n 2p "$dir/path")" "$reader_port"
fi
echo "$terminal" >"$dir/ready"

polls=0
while [ ! -e "$dir/stop" ] && [ $polls -lt $lifetime_polls ] && kill -0 $sim 2>/dev/null; do
  polls=$((polls + 1))
  sleep 0.1
done
# The port goes unless a balance started since has taken it.
[ "$(readlink "$port")" = "$terminal" ] && rm -f "$port"
[ -n "$reader_port" ] && rm -f "$reader_port"
kill $sim 2>/dev/null
wait $sim 2>/dev/null
: >"$dir/stopped"
