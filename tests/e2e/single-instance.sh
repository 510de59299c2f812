#!/usr/bin/env bash
# End-to-end: the single-instance name taken by another kind of object (an event, made by any
# program on the desktop) keeps the program from starting, as another copy would; it never lets
# two copies run. Nothing here starts a run: a namespace without any network.
# Usage: single-instance.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

scenario_name_taken() {
  timeout -k 5 300 "${E2E_WINE[@]}" "$E2E_WIN_DIR/HoldName.exe" QuorvexDIVOMutex >"$E2E_OUT/hold.out" 2>&1 &
  local holder=$! deadline=$((SECONDS + 60))
  until grep -q holding "$E2E_OUT/hold.out" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$holder" 2>/dev/null; then
      fail "the event did not take the name: $(cat "$E2E_OUT/hold.out")"
      return 1
    fi
    sleep 0.2
  done

  local first second
  timeout -k 5 120 "${E2E_WINE[@]}" "$E2E_WIN_DIR/TiroxOptimize.exe" >/dev/null 2>&1 &
  first=$!
  timeout -k 5 120 "${E2E_WINE[@]}" "$E2E_WIN_DIR/TiroxOptimize.exe" >/dev/null 2>&1 &
  second=$!
  check "the first start ends by itself" wait_exit "$first" 60
  check "the second start ends by itself" wait_exit "$second" 60
  describe
  check "no window titled $E2E_TITLE was left" [ "$(fact windows)" = 0 ]
  kill "$first" "$second" 2>/dev/null
  kill "$holder" 2>/dev/null

  # The name free again: the program starts, so the ends above were the taken name's doing.
  wait "$holder" 2>/dev/null
  start_program || return 1
  describe
  check "with the name free, one window titled $E2E_TITLE" [ "$(fact windows)" = 1 ]
  kill "$E2E_PROGRAM_PID" 2>/dev/null
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: single-instance.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario name_taken --no-net
e2e_finish
