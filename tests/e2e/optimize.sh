#!/usr/bin/env bash
# End-to-end: a whole optimization in the test network where group 2 is fastest (delays 60, 15
# and 40 ms, foreign ICMP before every reply), then the restore command; once at 96 DPI and once
# with the display at 150% (144 DPI).
# Usage: optimize.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# While the run goes on, its lines reach the log pane and the screen.
watch_run() {
  sleep 3
  read_log "$E2E_OUT/log.early"
  screenshot "$E2E_OUT/early.png"
  sleep 4
  read_log "$E2E_OUT/log.later"
  screenshot "$E2E_OUT/later.png"
  check "the run still goes on 7 s after the click" not has_outcome "$E2E_OUT/log.later"
  check "the log pane shows the run's first lines and grows while it goes on" \
    [ -s "$E2E_OUT/log.early" -a "$(stat -c %s "$E2E_OUT/log.later")" -gt "$(stat -c %s "$E2E_OUT/log.early")" ]
  check "the log pane is repainted during the run" \
    not same_pixels "$E2E_OUT/early.png" "$E2E_OUT/later.png" 1001
}

scenario_group2_fastest() {
  group2_fastest 96
}

scenario_group2_fastest_144dpi() {
  set_dpi 144 || { fail "could not set the DPI to 144"; return 1; }
  group2_fastest 144
}

# group2_fastest DPI: the run and the restore, with the display at the DPI.
group2_fastest() {
  local dpi=$1 disabled normal
  disabled=$(picture_id "$dpi" 135)
  normal=$(picture_id "$dpi" 138)
  local before=$'127.0.0.1  localhost\r\n::1  localhost\r\n'
  printf '%s' "$before" >"$(hosts_file)"

  start_program || return 1
  describe
  check "the program is told $dpi DPI" [ "$(fact dpi)" = "$dpi" ]
  check "start button enabled before the run" [ "$(fact control 1000 | cut -d' ' -f5)" = 1 ]
  start_run watch_run || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check_log "$E2E_OUT/log" "优化完成" 55-120 10-75 35-100
  check "one HOSTS file in drivers\\etc" one_hosts_file "$(dirname "$(hosts_file)")"
  check "HOSTS holds its lines and then group 2's nine lines" \
    cmp -s "$(hosts_file)" <(printf '%s' "$before"; route_lines 198.51.100.20)

  describe
  check "start button disabled after the run" [ "$(fact control 1000 | cut -d' ' -f5)" = 0 ]
  pointer_away
  check "start button shows its disabled picture $disabled" \
    shows "$E2E_OUT/after-run.png" picture "$disabled@$(place_of 1000)" picture "$normal@$(place_of 1002)"

  cp "$E2E_OUT/log" "$E2E_OUT/log.run"
  cp "$(hosts_file)" "$E2E_OUT/hosts.run"
  click_control 1000
  check "another program can post the start command" e2e_wine "$E2E_WIN_DIR/PostStartCommand.exe"
  sleep 3
  read_log "$E2E_OUT/log"
  check "a second click on start, or its posted command, adds nothing to the log pane" \
    cmp -s "$E2E_OUT/log" "$E2E_OUT/log.run"
  check "a second click on start, or its posted command, leaves HOSTS alone" \
    cmp -s "$(hosts_file)" "$E2E_OUT/hosts.run"

  click_control 1002
  wait_log_text 30 "网络设置已恢复" || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check "restore appends \"\\r\\n网络设置已恢复\" to the run's log" \
    cmp -s "$E2E_OUT/log" <(cat "$E2E_OUT/log.run"; printf '\r\n'; gbk "网络设置已恢复")
  check "restore takes the nine lines out of HOSTS" cmp -s "$(hosts_file)" <(printf '%s' "$before")
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: optimize.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario group2_fastest --delay 1=60 --delay 2=15 --delay 3=40 --foreign
e2e_scenario group2_fastest_144dpi --delay 1=60 --delay 2=15 --delay 3=40 --foreign
e2e_finish
