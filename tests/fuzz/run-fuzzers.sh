#!/usr/bin/env bash
# Runs each fuzz target for a bounded time, starting from the committed corpus, and prints how
# many inputs it ran. Inputs that add coverage go to BUILD/work/TARGET/corpus, a failing input
# to BUILD/work/TARGET/artifacts; the exit status is non-zero when any target failed.
# Usage: run-fuzzers.sh BUILD SECONDS
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$1
seconds=$2
status=0
export UBSAN_OPTIONS=print_stacktrace=1

for target in hosts_edit echo_reply; do
  work=$build/work/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
           -artifact_prefix="$work/artifacts/")
  [ -f "$here/$target.dict" ] && options+=(-dict="$here/$target.dict")
  result=passed
  "$build/${target}_fuzzer" "${options[@]}" "$work/corpus" "$here/corpus/$target" \
    >"$work/log" 2>&1 || result=FAILED
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  if [ "$result" = passed ]; then
    echo "$target: ${runs:-?} inputs in ${seconds} s, passed (log: $work/log)"
  else
    echo "$target: FAILED after ${runs:-?} inputs (log: $work/log)"
    grep -E 'ERROR|HOSTS edit:|echo reply:|runtime error|Test unit written' "$work/log" | head -n 20
    status=1
  fi
done
exit $status
