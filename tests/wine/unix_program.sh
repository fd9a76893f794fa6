#!/bin/sh
# unix_program.sh DIR PROGRAM [ARG...]: runs a Linux program for a Windows test under Wine
# (tests/support/simulator_process_win32.cpp): its output to DIR/out and DIR/err, then
# its exit status to DIR/status.
dir=$1
shift
unset LD_PRELOAD
"$@" >"$dir/out" 2>"$dir/err"
echo $? >"$dir/status.part"
mv "$dir/status.part" "$dir/status"
