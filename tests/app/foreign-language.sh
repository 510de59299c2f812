#!/usr/bin/env bash
# The program on a Windows whose ANSI code page is not Chinese (Wine in the C locale: code page
# 1252). Its caption and its log text must still read right, and a second start must find the
# first window by its title and bring it to the front. Only the restore button is clicked:
# nothing here probes the network.
# Usage: foreign-language.sh WINDOWS_BUILD_DIR
set -uo pipefail
here=$(dirname "$(realpath "$0")")
. "$here/../../tools/wine-env.sh"
win32=$(realpath "${1:?usage: foreign-language.sh WINDOWS_BUILD_DIR}")
exe=$win32/TiroxOptimize.exe
facts_exe=$win32/WindowFacts.exe
for f in "$exe" "$facts_exe"; do
  [ -f "$f" ] || { echo "missing $f (build the Windows tree first)" >&2; exit 1; }
done

export WINEPREFIX=$(dirname "$win32")/app-wineprefix WINEDEBUG=-all
if [ "${2:-}" != --on-display ]; then
  "$here/../../tools/wine-prefix.sh" "$WINEPREFIX" || exit 1
  exec "$here/../tools/with-display.sh" "$0" "$win32" --on-display
fi

export LC_ALL=C.UTF-8
title='Tirox网络优化'
failures=0
wineserver -k 2>/dev/null
trap 'wineserver -k 2>/dev/null' EXIT

check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
facts() { timeout 30 "$TIROX_WINE" "$facts_exe" facts 2>/dev/null | tr -d '\r'; }
fact() { facts | awk -v key="$1" '$1 == key { $1 = ""; sub(/^ /, ""); print; exit }'; }
log_text() { timeout 30 "$TIROX_WINE" "$facts_exe" log 2>/dev/null; }
wait_until() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.5
  done
}
window_shown() { [ "$(fact windows)" = 1 ]; }
is_foreground() { [ "$(fact foreground)" = "$1" ]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
control_centre() {
  facts | awk -v id="$1" '$1 == "control" && $2 == id { print int(($3 + $5) / 2), int(($4 + $6) / 2) }'
}
log_is() { [ "$(log_text | od -An -tx1)" = "$(printf '%b' "$1" | od -An -tx1)" ]; }

timeout -k 5 300 "$TIROX_WINE" "$exe" >/dev/null 2>&1 &
program=$!
wait_until 60 window_shown || { echo "FAIL the window did not appear"; exit 1; }
sleep 1

check "the ANSI code page is not Chinese (1252)" [ "$(fact acp)" = 1252 ]
check "the X window is named \"$title\"" [ -n "$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null)" ]

timeout -k 5 120 "$TIROX_WINE" notepad >/dev/null 2>&1 &
notepad=$!
check "another window (notepad) comes in front" wait_until 30 is_foreground 0
timeout -k 5 60 "$TIROX_WINE" "$exe" >/dev/null 2>&1 &
second=$!
check "a second start ends by itself" wait_until 45 ended "$second"
check "the second start brought the first window to the front" wait_until 10 is_foreground 1
check "one window titled \"$title\" remains" [ "$(fact windows)" = 1 ]
kill "$notepad" 2>/dev/null

read -r x y <<<"$(control_centre 1002)"
xdotool mousemove --sync "$x" "$y" click 1
check "restore's text reads \"\\r\\n网络设置已恢复\" in the log pane" wait_until 15 log_is '\r\n网络设置已恢复'

read -r x y <<<"$(control_centre 1001)"
xdotool mousemove --sync "$x" "$y" click 1
sleep 0.5
xdotool key Escape
check "Escape ends the program" wait_until 20 ended "$program"

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
