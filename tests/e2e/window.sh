#!/usr/bin/env bash
# End-to-end: the program's window (title, places, pictures), a second start, Escape and Alt+F4.
# Nothing here starts a run, so every scenario runs in a network namespace without any network.
# Usage: window.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# The template's rectangles in dialog units: the client area and controls 1000, 1001, 1002.
DLU_CLIENT=0,0,265,196
DLU_START=198,46,57,48
DLU_LOG=9,132,245,33
DLU_RESTORE=198,172,50,14

scenario_window() {
  start_program || return 1
  describe "$DLU_CLIENT" "$DLU_START" "$DLU_LOG" "$DLU_RESTORE" || { fail "DescribeWindow failed"; return 1; }
  cp "$E2E_OUT/describe" "$E2E_OUT/describe.start"

  check "one top-level window titled $E2E_TITLE" [ "$(fact windows)" = 1 ]
  check "the X window's name is the title" \
    [ "$(xdotool getwindowname "$(xdotool search --onlyvisible --name "^$E2E_TITLE\$" | head -1)")" = "$E2E_TITLE" ]
  local _ _ cw ch w h x y
  read -r _ _ cw ch <<<"$(fact client)"
  read -r _ _ w h <<<"$(fact dlu "$DLU_CLIENT")"
  check "client area 265 x 196 dialog units ($w x $h pixels)" [ "$cw $ch" = "$w $h" ]

  check "window centred on the work area" centred_on_work_area

  read -r x y _ _ <<<"$(fact dlu "$DLU_START")"
  check "start button at 198,46 dialog units, the size of its 88 x 88 picture" place_is 1000 "$x" "$y" 88 88
  read -r x y w h <<<"$(fact dlu "$DLU_LOG")"
  check "log pane at 9,132, 245 x 33 dialog units" place_is 1001 "$x" "$y" "$w" "$h"
  read -r x y _ _ <<<"$(fact dlu "$DLU_RESTORE")"
  check "restore button at 198,172 dialog units, the size of its 79 x 12 picture" place_is 1002 "$x" "$y" 79 12
  check "start button enabled" [ "$(fact control 1000 | cut -d' ' -f5)" = 1 ]
  check "the window is in front after its start" [ "$(fact foreground)" = 1 ]

  pointer_away
  check "background 136 and the buttons' normal pictures 132 and 138 on the screen" \
    shows "$E2E_OUT/normal.png" background 136 except "$(rect_of 1000)" except "$(rect_of 1001)" \
      except "$(rect_of 1002)" picture "132@$(place_of 1000)" picture "138@$(place_of 1002)"
  check "the log pane is white inside" shows "$E2E_OUT/normal.png" colour "255,255,255@$(pane_inside)"

  # Only the pointer moves over the buttons here: no click.
  hover_control 1000
  check "start button shows its hover picture 134 under the pointer" \
    shows "$E2E_OUT/hover-start.png" picture "134@$(place_of 1000)" picture "138@$(place_of 1002)"
  hover_control 1002
  check "restore button shows its hover picture 139 under the pointer" \
    shows "$E2E_OUT/hover-restore.png" picture "132@$(place_of 1000)" picture "139@$(place_of 1002)"
  pointer_away

  second_start
  close_with Escape
}

# Another window in front, then a second copy: it ends by itself and brings the first to the front.
second_start() {
  # Notepad takes a while to start on a loaded machine.
  timeout -k 5 120 "${E2E_WINE[@]}" notepad >/dev/null 2>&1 &
  local notepad=$!
  local deadline=$((SECONDS + 60))
  until describe && [ "$(fact foreground)" = 0 ]; do
    [ $SECONDS -lt $deadline ] || break
    sleep 0.5
  done
  check "another window (notepad) is in front before the second start" [ "$(fact foreground)" = 0 ]

  local start=$EPOCHREALTIME
  timeout -k 5 60 "${E2E_WINE[@]}" "$E2E_WIN_DIR/TiroxOptimize.exe" >/dev/null 2>&1 &
  local second=$!
  check "the second start ends by itself" wait_exit "$second" 45
  awk -v start="$start" -v end="$EPOCHREALTIME" 'BEGIN { printf "  the second start lasted %.1f s\n", end - start }'
  # The first copy may take a moment to come to the front after the second one has ended.
  deadline=$((SECONDS + 10))
  until describe && [ "$(fact foreground)" = 1 ]; do
    [ $SECONDS -lt $deadline ] || break
    sleep 0.3
  done
  check "one window titled $E2E_TITLE remains" [ "$(fact windows)" = 1 ]
  check "the first window is in front after the second start" [ "$(fact foreground)" = 1 ]
  kill "$notepad" 2>/dev/null
}

# close_with KEYS: a click on the window's background gives it the keyboard; then the keys
# (Escape; or Alt+F4, the close command of the system menu, as the close box gives it).
close_with() {
  local ox oy
  describe
  read -r ox oy _ _ <<<"$(fact client)"
  xdotool mousemove --sync $((ox + 20)) $((oy + 20)) click 1
  sleep 0.5
  xdotool key "$1"
  check "$1 ends the program" wait_exit "$E2E_PROGRAM_PID" 20
  describe
  check "no window left after $1" [ "$(fact windows)" = 0 ]
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: window.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario window --no-net
e2e_finish
