#!/bin/sh
# qt_test.sh PROGRAM: runs a Qt Test program under Wine with its report in a file, then
# prints the report (under Wine a Qt test's own standard output is lost) and ends as the
# program did.
log=$(mktemp)
"$(dirname "$0")/run.sh" "$1" -o "$log,txt"
status=$?
tr -d '\r' <"$log" | grep -av '^QCRITICAL'
rm -f "$log"
exit $status
