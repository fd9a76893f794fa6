#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset) and runs each for SECONDS (default 60) on a
# copy of its seeds in tests/fuzz/corpus/<target>, so what it adds stays out of the
# repository; prints a line a target: its runs and runs a second. Fails when a target
# crashes, leaks, hangs past the time-out or grows past the memory limit, naming the input
# that did it (kept in build/fuzz/crashes/<target>/).
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
kTimeoutSeconds=10
kRssLimitMb=2048
kReportLines=60  # of a failed target's log: the sanitizer's report and the input's path

scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_targets

# In memory where it can be: the targets that write files run several times as fast there.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export UBSAN_OPTIONS=print_stacktrace=1

# The value of libFuzzer's final "stat::NAME: value" line in log $1; empty when none.
final_stat() { sed -n "s/^stat::$2: *//p" "$1" | tail -n 1; }

passed=0
failed=0
for seeds in tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  target=build/fuzz/tests/fuzz/fuzz_$name
  crashes=$PWD/build/fuzz/crashes/$name
  corpus=$work/corpus/$name
  log=$work/$name.log
  mkdir -p "$crashes" "$corpus" "$work/tmp/$name"
  cp -R "$seeds." "$corpus"
  if TMPDIR=$work/tmp/$name "$target" -max_total_time="$seconds" -timeout="$kTimeoutSeconds" \
    -rss_limit_mb="$kRssLimitMb" -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" >"$log" 2>&1; then
    passed=$((passed + 1))
    printf '%-18s %10s execs %8s execs/s\n' "$name" "$(final_stat "$log" number_of_executed_units)" \
      "$(final_stat "$log" average_exec_per_sec)"
  else
    failed=$((failed + 1))
    tail -n "$kReportLines" "$log"
    printf '%-18s FAILED: %s\n' "$name" \
      "$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
