#!/usr/bin/env bash
# End-to-end: the window with the keyboard alone. Where the focus is shows on the picture
# buttons once a key has been pressed, and not before (a mouse user's window stays as it was),
# at 96 DPI and at 150%; Space and Enter press the focused button; after a run started with the
# keyboard, Tab, Enter and Space still reach the restore button.
# Usage: keyboard.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# keyboard_to_window: a click on the window's background (no control) gives it the keyboard;
# the pointer stays there, since the display sends the keys to the window under it.
keyboard_to_window() {
  local ox oy
  describe
  read -r ox oy _ _ <<<"$(fact client)"
  xdotool mousemove --sync $((ox + 20)) $((oy + 20)) click 1
  sleep 0.5
}

# key KEYS...: real key presses to the window that has the keyboard, a moment apart.
key() {
  local k
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.4
  done
}

# looks_as SHOT START RESTORE: the start and restore buttons show exactly these pictures (a
# focus cue drawn over one makes it differ), within 10 s.
looks_as() {
  shows "$1" picture "$2@$(place_of 1000)" picture "$3@$(place_of 1002)"
}

# differs_from SHOT ID PICTURE: control ID does not show exactly PICTURE (for instance, it draws
# its focus cue over it), within 10 s.
differs_from() {
  local shot=$1 id=$2 picture=$3 deadline=$((SECONDS + 10))
  while :; do
    screenshot "$shot"
    pixels "$shot" picture "$picture@$(place_of "$id")" >/dev/null || return 0
    [ $SECONDS -lt $deadline ] || { echo "  control $id shows picture $picture exactly"; return 1; }
    sleep 0.3
  done
}

# log_ends_with LOG TEXT: the log's last bytes are "\r\n" and TEXT in GBK.
log_ends_with() {
  local tail_bytes
  tail_bytes=$( { printf '\r\n'; gbk "$2"; } | wc -c)
  cmp -s <(tail -c "$tail_bytes" "$1") <(printf '\r\n'; gbk "$2")
}

# restores_in LOG: how many restore texts the log holds.
restores_in() {
  LC_ALL=C grep -aoF -- "$(gbk "网络设置已恢复")" "$1" | wc -l
}

# wait_restores N: the log pane holds N restore texts, within 30 s.
wait_restores() {
  local deadline=$((SECONDS + 30))
  while [ $SECONDS -lt $deadline ]; do
    read_log "$E2E_OUT/log" && [ "$(restores_in "$E2E_OUT/log")" -ge "$1" ] && return 0
    sleep 0.5
  done
  echo "  $(restores_in "$E2E_OUT/log") restore texts in the log pane, expected $1"
  return 1
}

scenario_focus_cues() {
  focus_cues 96
}

scenario_focus_cues_144dpi() {
  set_dpi 144 || { fail "could not set the DPI to 144"; return 1; }
  focus_cues 144
}

# focus_cues DPI: no cue before a key; Tab moves the focus start -> log -> restore -> start and
# the focused button shows it; Space and Enter on the restore button restore.
focus_cues() {
  local dpi=$1 start restore
  start=$(picture_id "$dpi" 132)
  restore=$(picture_id "$dpi" 138)
  printf '127.0.0.1  localhost\r\n192.0.2.20  tirox.example\r\n' >"$(hosts_file)"
  start_program || return 1
  describe
  check "the program is told $dpi DPI" [ "$(fact dpi)" = "$dpi" ]
  keyboard_to_window
  check "before any key: both buttons show their pictures exactly (focus on start, no cue)" \
    looks_as "$E2E_OUT/no-key.png" "$start" "$restore"

  key Tab
  check "Tab: the focus in the log pane, both buttons show their pictures" \
    looks_as "$E2E_OUT/tab1.png" "$start" "$restore"
  key Tab
  check "Tab again: the restore button shows the focus" differs_from "$E2E_OUT/tab2.png" 1002 "$restore"
  check "... and the start button its picture" looks_as_start "$E2E_OUT/tab2.png" "$start"
  key Tab
  check "Tab again: the start button shows the focus" differs_from "$E2E_OUT/tab3.png" 1000 "$start"
  check "... and the restore button its picture" looks_as_restore "$E2E_OUT/tab3.png" "$restore"

  # Back to the restore button: Space presses it, then Enter.
  key Tab Tab
  key space
  check "Space on the focused restore button restores" wait_restores 1
  key Return
  check "Enter on the focused restore button restores" wait_restores 2
  check "HOSTS without the group's line" \
    cmp -s "$(hosts_file)" <(printf '127.0.0.1  localhost\r\n')
  check "the focus cue stays on the restore button after its click" \
    differs_from "$E2E_OUT/after-space.png" 1002 "$restore"
}

looks_as_start() {
  shows "$1" picture "$2@$(place_of 1000)"
}

looks_as_restore() {
  shows "$1" picture "$2@$(place_of 1002)"
}

# The run started with Space (the focus is on the start button when the window opens); then
# the keyboard alone reaches the restore button: Enter at once, Tab and Space after a round.
scenario_keyboard_after_run() {
  local before=$'127.0.0.1  localhost\r\n'
  printf '%s' "$before" >"$(hosts_file)"
  start_program || return 1
  keyboard_to_window
  key space
  wait_log_text 120 "${E2E_OUTCOMES[@]}" || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check_log "$E2E_OUT/log" "优化完成" 55-120 10-75 35-100
  check_applied "$before"
  describe
  check "start button disabled after the run" [ "$(fact control 1000 | cut -d' ' -f5)" = 0 ]

  key Return
  check "Enter after the run reaches the restore button" wait_restores 1
  check "the restore took group 2's lines out of HOSTS" cmp -s "$(hosts_file)" <(printf '%s' "$before")
  # From the restore button Tab goes to the log pane (the start button is disabled), then back.
  key Tab Tab space
  check "Tab, Tab and Space after the run press the restore button again" wait_restores 2
  read_log "$E2E_OUT/log"
  check "the log ends with the restore text" log_ends_with "$E2E_OUT/log" "网络设置已恢复"
  check "the restore button shows the focus" differs_from "$E2E_OUT/after-run.png" 1002 138
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: keyboard.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario focus_cues --no-net
e2e_scenario focus_cues_144dpi --no-net
e2e_scenario keyboard_after_run --delay 1=60 --delay 2=15 --delay 3=40
e2e_finish
