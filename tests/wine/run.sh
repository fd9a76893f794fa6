#!/bin/sh
# Runs a Windows program of the tests under Wine, with the test harness's terminal
# library (tcsetattr_no_readback.cpp) when the Windows leg built it.
if [ -n "${TARVELO_WINE_PRELOAD:-}" ]; then
  LD_PRELOAD=$TARVELO_WINE_PRELOAD${LD_PRELOAD:+:$LD_PRELOAD}
  export LD_PRELOAD
fi
exec wine "$@"
