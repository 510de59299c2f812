#!/usr/bin/env bash
# End-to-end: the window as a screen reader reads it (MSAA, ReadAccessible.exe): the buttons'
# and the log pane's names, and the picture's texts (the log's heading, the three steps, the
# hint) as names of objects that take neither the focus (not even by the arrow keys) nor clicks;
# at 100% and at 150%. Nothing here starts a run, so every scenario runs in a network namespace
# without any network.
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

# focus_after KEY: the control that has the focus after the key (ReadAccessible's focus line).
focus_after() {
  xdotool key "$1"
  sleep 0.3
  e2e_wine "$E2E_WIN_DIR/ReadAccessible.exe" 2>/dev/null | tr -d '\r' | awk -F'\t' '$1 == "focus" { print $2 }'
}

# The arrow keys move the focus within a group of controls; the texts' windows must never get it.
arrows_keep_off_the_texts() {
  local key id ids=()
  for key in Down Down Right Right Up Up Left Left; do
    id=$(focus_after "$key")
    ids+=("$id")
    [[ "$id" =~ ^100[0-2]$ ]] || { echo "  after $key the focus is on control '$id' (so far: ${ids[*]})"; return 1; }
  done
  echo "  focus after each arrow key: ${ids[*]}"
}

scenario_accessible() {
  start_program || return 1
  read_accessible 96
  check "the arrow keys never put the focus on the picture's texts" arrows_keep_off_the_texts
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
