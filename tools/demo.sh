#!/usr/bin/env bash
# A whole optimization against the simulated server groups of the test network: the real
# TiroxOptimize.exe under Wine in a virtual display, its start button clicked inside a private
# network namespace where group 2 answers fastest. Prints the log pane (as UTF-8) and the HOSTS
# file before and after, and saves a screenshot of the finished window as BUILD/demo.png.
# TIROX_DPI (96 unless set) is the display's DPI the program is told.
# Needs root (network namespaces). Usage: tools/demo.sh [BUILD]
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../tests/e2e/e2e-lib.sh"

DELAYS=(--delay 1=60 --delay 2=15 --delay 3=40)

# show FILE: a GBK text file as UTF-8, indented; a line ending in CR LF gets a "|" at its end.
show() {
  iconv -f GBK -t UTF-8 "$1" | sed 's/\r$/|/; s/^/    /'
  echo
}

scenario_demo() {
  echo "Test network: group 1 answers after 60 ms, group 2 after 15 ms, group 3 after 40 ms."
  echo "HOSTS of the fresh Wine prefix (C:\\windows\\system32\\drivers\\etc\\hosts):"
  show "$(hosts_file)"
  [ "${TIROX_DPI:-96}" = 96 ] || set_dpi "$TIROX_DPI" || return 1
  start_program || return 1
  start_run || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  pointer_away
  describe
  local ox oy w h
  read -r ox oy w h <<<"$(fact client)"
  import -window root -crop "${w}x${h}+${ox}+${oy}" +repage "$DEMO_SHOT"
  echo "Log pane (| marks CR LF):"
  show "$E2E_OUT/log"
  echo "HOSTS after the run:"
  show "$(hosts_file)"
}

e2e_dispatch_inside "$@"
build=$(realpath -m "${1:-build}")
[ "$(id -u)" -eq 0 ] || { echo "demo: needs root for the test network's namespaces" >&2; exit 1; }
export DEMO_SHOT=$build/demo.png
e2e_setup "$build/$TIROX_WINE_ARCH" "$0"
echo "demo: the $TIROX_WINE_ARCH program, $E2E_WIN_DIR/TiroxOptimize.exe"
e2e_scenario demo "${DELAYS[@]}"
e2e_finish
echo "Screenshot of the finished window: $DEMO_SHOT"
