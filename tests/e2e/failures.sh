#!/usr/bin/env bash
# End-to-end: runs that must leave HOSTS alone. Every group silent (foreign ICMP only); and a
# HOSTS file that cannot be replaced (immutable), for the run and for the restore command,
# clicked while the run goes on.
# Usage: failures.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# A HOSTS file that any rewrite would change: LF line ends, a tab, trailing blanks, an indented
# line without a line end.
untouched_hosts() {
  printf '# hosts of the test machine\n127.0.0.1\tlocalhost   \n\n   ::1 localhost' >"$(hosts_file)"
  cp "$(hosts_file)" "$E2E_OUT/hosts.before"
}

scenario_all_silent() {
  untouched_hosts
  start_program || return 1
  start_run || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check_log "$E2E_OUT/log" "请将网络调通后再进行尝试" fail fail fail
  check "HOSTS byte-identical" cmp -s "$(hosts_file)" "$E2E_OUT/hosts.before"
}

# A click on restore while the run goes on waits until the run has ended.
click_restore_during_run() {
  sleep 2
  click_control 1002
}

scenario_hosts_immutable() {
  untouched_hosts
  ls "$(dirname "$(hosts_file)")" >"$E2E_OUT/etc.before"
  chattr +i "$(hosts_file)" || { fail "chattr +i on the prefix's HOSTS"; return 1; }
  trap 'chattr -i "$(hosts_file)"; e2e_inside_cleanup' EXIT
  start_program || return 1
  start_run click_restore_during_run || return 1
  wait_log_text 30 "网络设置未恢复" || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check_log "$E2E_OUT/log" "无法修改HOSTS文件，优化未完成" 55-120 10-75 35-100 "无法修改HOSTS文件，网络设置未恢复"
  check "HOSTS byte-identical after the run and the restore" cmp -s "$(hosts_file)" "$E2E_OUT/hosts.before"
  ls "$(dirname "$(hosts_file)")" >"$E2E_OUT/etc.after"
  if ! cmp -s "$E2E_OUT/etc.before" "$E2E_OUT/etc.after"; then
    echo "  note: files left beside HOSTS: $(comm -13 "$E2E_OUT/etc.before" "$E2E_OUT/etc.after" | tr '\n' ' ')"
  fi
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: failures.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario all_silent --silent 1 --silent 2 --silent 3 --foreign
e2e_scenario hosts_immutable --delay 1=60 --delay 2=15 --delay 3=40
e2e_finish
