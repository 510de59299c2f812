#!/usr/bin/env bash
# End-to-end: the window as a screen reader reads it (MSAA, ReadAccessible.exe): the buttons'
# and the log pane's names, and the picture's texts (the log's heading, the three steps, the
# hint) as names of objects that take neither the focus nor clicks; at 100% and at 150%. Nothing
# here starts a run, so every scenario runs in a network namespace without any network.
# Usage: accessible.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# read_accessible DPI: the window's MSAA listing checked against its description.
read_accessible() {
  local listing=$E2E_OUT/accessible-$1.txt status=0
  e2e_wine "$E2E_WIN_DIR/ReadAccessible.exe" >"$listing.raw" 2>/dev/null || status=$?
  tr -d '\r' <"$listing.raw" >"$listing"
  if [ "$status" != 0 ]; then
    fail "ReadAccessible ended with status $status at $1 DPI"
    cat "$listing"
    return 1
  fi
  describe || { fail "DescribeWindow failed"; return 1; }
  echo "  listing at $1 DPI:"
  sed 's/^/    /' "$listing"
  check "a screen reader is told the window's names and texts at $1 DPI" \
    "$E2E_PYTHON" "$E2E_HERE/check-accessible.py" "$listing" "$E2E_OUT/describe"
}

scenario_accessible() {
  start_program || return 1
  read_accessible 96
}

scenario_accessible_150() {
  set_dpi 144 || { fail "could not set the DPI to 144"; return 1; }
  start_program || return 1
  read_accessible 144
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: accessible.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario accessible --no-net
e2e_scenario accessible_150 --no-net
e2e_finish
