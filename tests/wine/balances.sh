#!/bin/sh
# balances.sh start|stop DIR: a simulated balance of each protocol on a pseudo-terminal,
# mapped to a COM port of the Wine prefix: COM7 BM_balance, COM8 TSK, COM9 B_balance.
# COM1 to COM6 are left alone: Wine maps some of them to the machine's real serial ports.
set -eu
action=$1
dir=$2
ports="7:bm 8:tsk 9:b"

case $action in
start)
  mkdir -p "$dir"
  for entry in $ports; do
    com=${entry%%:*}
    # The simulator prints its pseudo-terminal's path first; the file of an earlier run
    # goes, as the background start may truncate it only after the wait below began.
    rm -f "$dir/com$com.path"
    "$TARVELO_WINE_SIM" --protocol "${entry#*:}" >"$dir/com$com.path" 2>"$dir/com$com.err" &
    echo $! >"$dir/com$com.pid"
    tries=0
    until [ -s "$dir/com$com.path" ]; do
      tries=$((tries + 1))
      [ $tries -le 50 ] || { echo "no balance on COM$com" >&2; cat "$dir/com$com.err" >&2; exit 1; }
      sleep 0.1
    done
    ln -sfn "$(head -n 1 "$dir/com$com.path")" "$WINEPREFIX/dosdevices/com$com"
  done
  ;;
stop)
  for entry in $ports; do
    com=${entry%%:*}
    rm -f "$WINEPREFIX/dosdevices/com$com"
    [ -f "$dir/com$com.pid" ] && kill "$(cat "$dir/com$com.pid")" 2>/dev/null || true
    rm -f "$dir/com$com.pid"
  done
  ;;
esac
