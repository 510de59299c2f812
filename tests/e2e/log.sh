#!/usr/bin/env bash
# End-to-end: the log pane keeps what it said. Texts go to its end whatever the player selected
# or wherever the caret is, the player's selection stays, the pane shows the new text; past the
# pane's default limit (filled by another program) a restore's text, or its failure, still
# appears whole at the end. Only the restore button is clicked: no run, no network.
# Usage: log.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

RESTORED="网络设置已恢复"
NOT_RESTORED="无法修改HOSTS文件，网络设置未恢复"

# pane ARGS...: LogPaneControl.exe (fill, select, selection, end-visible).
pane() {
  e2e_wine "$E2E_WIN_DIR/LogPaneControl.exe" "$@" 2>/dev/null | tr -d '\r'
}

# selection_is S E: the pane's selection runs from S to E.
selection_is() {
  local actual
  actual=$(pane selection)
  [ "$actual" = "$1 $2" ] || { echo "  selection $actual, expected $1 $2"; return 1; }
}

# restore_appends TEXT: a real click on the restore button; the log pane then holds exactly what
# it held before, "\r\n" and TEXT (its GBK bytes), and shows its last line.
restore_appends() {
  read_log "$E2E_OUT/log.before" || { fail "could not read the log pane"; return 1; }
  click_control 1002
  wait_log_text 30 "$1" >/dev/null || true
  local deadline=$((SECONDS + 10))
  until read_log "$E2E_OUT/log" && cmp -s "$E2E_OUT/log" <(cat "$E2E_OUT/log.before"; printf '\r\n'; gbk "$1"); do
    [ $SECONDS -lt $deadline ] || {
      echo "  log pane: $(stat -c %s "$E2E_OUT/log") bytes, last ones: $(tail -c 40 "$E2E_OUT/log" | iconv -f GBK -t UTF-8 -c | tr '\r\n' '  ')"
      return 1
    }
    sleep 0.5
  done
  check "the pane shows its last line" [ "$(pane end-visible)" = 1 ]
}

scenario_selection() {
  printf '127.0.0.1  localhost\r\n' >"$(hosts_file)"
  start_program || return 1
  check "another program fills the pane with 2000 characters" pane fill 2000
  check "and selects characters 100 to 300" pane select 100 300
  check "a restore adds its text at the end; nothing is replaced" restore_appends "$RESTORED"
  check "the selection 100 to 300 is kept" selection_is 100 300

  check "another program puts the caret at character 50" pane select 50 50
  check "a restore adds its text at the end, not at the caret" restore_appends "$RESTORED"
  check "the caret stays at 50" selection_is 50 50

  # The player clicks into the pane, wherever that puts the caret, then restores.
  click_control 1001
  check "after a click into the pane, a restore adds its text at the end" restore_appends "$RESTORED"

  check "with the caret at the end" pane select 65000 65000
  check "a restore adds its text at the end" restore_appends "$RESTORED"
  local length
  length=$(( $(iconv -f GBK -t UTF-32LE "$E2E_OUT/log" | wc -c) / 4 ))
  check "the caret follows the new text to the end ($length)" selection_is "$length" "$length"
}

# Past the pane's default limit of 30,000 characters, set by another program's WM_SETTEXT.
scenario_past_limit() {
  printf '127.0.0.1  localhost\r\n' >"$(hosts_file)"
  start_program || return 1
  check "another program fills the pane with 40,000 characters" pane fill 40000
  read_log "$E2E_OUT/log.filled"
  check "the pane holds the 40,000 characters" [ "$(wc -c <"$E2E_OUT/log.filled")" = 40000 ]
  check "a restore's text appears whole at the end" restore_appends "$RESTORED"

  # HOSTS cannot be written: the failure's text, too, appears whole.
  printf '127.0.0.1  localhost\r\n192.0.2.20  tirox.example\r\n' >"$(hosts_file)"
  chattr +i "$(hosts_file)" || { fail "could not make HOSTS immutable"; return 1; }
  check "a failed restore's text appears whole at the end" restore_appends "$NOT_RESTORED"
  chattr -i "$(hosts_file)"

  check "another program fills the pane with 65,000 characters" pane fill 65000
  check "a restore's text appears whole at the end" restore_appends "$RESTORED"
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: log.sh WINDOWS_BUILD_DIR}" "$0"
[ -f "$E2E_WIN_DIR/LogPaneControl.exe" ] || { echo "missing $E2E_WIN_DIR/LogPaneControl.exe (build the Windows tree first)" >&2; exit 1; }
e2e_scenario selection --no-net
e2e_scenario past_limit --no-net
e2e_finish
