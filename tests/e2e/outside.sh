#!/usr/bin/env bash
# End-to-end: what other programs and the system's settings can do to the running program.
# Another program on the desktop sends the window forged messages; Windows 98 is reported
# (a compatibility mode); the resolver's DataBasePath names where HOSTS is, and a standard
# user's own environment does not move it.
# Usage: outside.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

RESTORED="网络设置已恢复"
PARAMETERS_KEY='HKLM\System\CurrentControlSet\Services\Tcpip\Parameters'

# restores_seen: how many restore texts the log pane holds.
restores_seen() {
  read_log "$E2E_OUT/log" || { echo 0; return; }
  LC_ALL=C grep -aoF -- "$(gbk "$RESTORED")" "$E2E_OUT/log" | wc -l
}

# click_restore N: a click on restore, then waits until the log holds N restore texts.
click_restore() {
  local deadline=$((SECONDS + 30))
  click_control 1002
  while [ "$(restores_seen)" -lt "$1" ]; do
    [ $SECONDS -lt $deadline ] || { fail "no restore text number $1 in the log pane within 30 s"; return 1; }
    sleep 1
  done
}

no_crash_reported() {
  ! grep -qiE 'unhandled|page fault|exception' "$E2E_OUT/program.out"
}

# The program runs inside the test network but is never clicked to start a run.
scenario_forged_messages() {
  local kept=$'127.0.0.1  localhost\r\n'
  { printf '%s' "$kept"; route_lines 198.51.100.20; } >"$(hosts_file)"
  start_program || return 1
  local status=0
  e2e_wine "$E2E_WIN_DIR/ForgeMessages.exe" 20261210 3000 >"$E2E_OUT/forge.out" 2>&1 || status=$?
  sed 's/^/  /' "$E2E_OUT/forge.out"
  check "the window is still there after the forged messages (status $status)" [ "$status" = 0 ]
  check "the program still runs" kill -0 "$E2E_PROGRAM_PID"
  check "no fault reported by Wine" no_crash_reported
  click_restore 1 || return 1
  check "a restore click afterwards still logs its text last" \
    cmp -s <(tail -c "$(gbk "$RESTORED" | wc -c)" "$E2E_OUT/log") <(gbk "$RESTORED")
  check "and takes the route lines out of HOSTS" cmp -s "$(hosts_file)" <(printf '%s' "$kept")
  check "no run was started" not has_outcome "$E2E_OUT/log"
}

# Wine reporting Windows 98: the program still only runs on the NT family, so HOSTS stays where
# the NT resolver reads it; nothing is made in the Windows directory.
scenario_win98_version() {
  e2e_reg add 'HKCU\Software\Wine\AppDefaults\TiroxOptimize.exe' /v Version /d win98 /f \
    || { fail "could not set the Windows version"; return 1; }
  local windows=$WINEPREFIX/drive_c/windows
  local before=$'127.0.0.1  localhost\r\n'
  printf '%s' "$before" >"$(hosts_file)"
  check "no HOSTS in C:\\windows before" [ -z "$(find "$windows" -maxdepth 1 -iname hosts)" ]

  start_program || return 1
  start_run || return 1
  sleep 1
  read_log "$E2E_OUT/log"
  check_log "$E2E_OUT/log" "优化完成" 55-120 10-75 35-100
  check_applied "$before" "the system32 "
  click_restore 1 || return 1
  check "restore takes them out of the system32 HOSTS" cmp -s "$(hosts_file)" <(printf '%s' "$before")
  check "nothing named HOSTS was made in C:\\windows" [ -z "$(find "$windows" -maxdepth 1 -iname 'hosts*')" ]
}

# set_database_path TYPE DATA, or "none": the resolver's DataBasePath value.
set_database_path() {
  if [ "$1" = none ]; then
    e2e_reg delete "$PARAMETERS_KEY" /v DataBasePath /f
  else
    e2e_reg add "$PARAMETERS_KEY" /v DataBasePath /t "$1" /d "$2" /f
  fi
}

# The program reads DataBasePath for every rewrite: one program, a restore per setting.
scenario_database_path() {
  local windows=$WINEPREFIX/drive_c/windows
  mkdir -p "$windows/tirox-etc" "$WINEPREFIX/drive_c/tirox etc"
  local kept=$'127.0.0.1  localhost\r\n' n=0
  local cases=(
    "REG_EXPAND_SZ|%SystemRoot%\\tirox-etc|$windows/tirox-etc"
    "REG_SZ|C:\\tirox etc|$WINEPREFIX/drive_c/tirox etc"
    "none||"
    "REG_DWORD|1|"
    "REG_SZ|tirox-etc|"
    "REG_EXPAND_SZ|%TiroxNoSuchVariable%\\etc|"
  )
  start_program || return 1
  local entry type data dir
  for entry in "${cases[@]}"; do
    IFS='|' read -r type data dir <<<"$entry"
    [ -n "$dir" ] || dir=$(dirname "$(hosts_file)")
    set_database_path "$type" "$data" || { fail "could not set DataBasePath to $type $data"; continue; }
    local file place
    for place in "$windows/tirox-etc" "$WINEPREFIX/drive_c/tirox etc" "$(dirname "$(hosts_file)")"; do
      file=$(hosts_in "$place")
      { printf '%s' "$kept"; route_lines 198.51.100.20; } >"$file"
    done
    n=$((n + 1))
    click_restore "$n" || return 1
    for place in "$windows/tirox-etc" "$WINEPREFIX/drive_c/tirox etc" "$(dirname "$(hosts_file)")"; do
      file=$(hosts_in "$place")
      if [ "$place" = "$dir" ]; then
        check "DataBasePath $type '$data': restore edits the HOSTS in ${place#"$WINEPREFIX"/}" \
          cmp -s "$file" <(printf '%s' "$kept")
      else
        check "DataBasePath $type '$data': the HOSTS in ${place#"$WINEPREFIX"/} is untouched" \
          cmp -s "$file" <(printf '%s' "$kept"; route_lines 198.51.100.20)
      fi
    done
  done
}

# A standard user names another Windows directory in their own environment (HKCU\Environment,
# which the elevated program's environment is built from) and keeps a HOSTS there; DataBasePath
# is Windows' default, which names %SystemRoot%. Restore edits the system's HOSTS, never theirs.
scenario_user_system_root() {
  local user_etc=$WINEPREFIX/drive_c/users/Public/evil/System32/drivers/etc
  local kept=$'127.0.0.1  localhost\r\n'
  mkdir -p "$user_etc"
  { printf '%s' "$kept"; route_lines 198.51.100.20; } >"$user_etc/hosts"
  cp "$user_etc/hosts" "$E2E_OUT/user-hosts"
  { printf '%s' "$kept"; route_lines 198.51.100.20; } >"$(hosts_file)"
  set_database_path REG_EXPAND_SZ '%SystemRoot%\System32\drivers\etc' \
    || { fail "could not set DataBasePath"; return 1; }
  e2e_reg add 'HKCU\Environment' /v SystemRoot /t REG_EXPAND_SZ /d 'C:\users\Public\evil' /f \
    || { fail "could not set SystemRoot in HKCU\\Environment"; return 1; }
  # A process's environment is built from the registry when it starts; the server is let exit
  # so that the programs below start afresh. Wine's cmd shows its own SystemRoot, so a program
  # started as the tested one is asked.
  timeout 60 wineserver -w
  local seen
  seen=$(e2e_wine "$E2E_WIN_DIR/ExpandVariables.exe" '%SystemRoot%' | tr -d '\r')
  check "a program started here has SystemRoot=C:\\users\\Public\\evil (it has '$seen')" \
    [ "$seen" = 'C:\users\Public\evil' ]

  start_program || return 1
  click_restore 1 || return 1
  check "the HOSTS in the user's folder is byte for byte as it was" cmp -s "$user_etc/hosts" "$E2E_OUT/user-hosts"
  check "and nothing else is in that folder" [ "$(ls -A "$user_etc")" = hosts ]
  check "restore takes the route lines out of the system32 HOSTS" cmp -s "$(hosts_file)" <(printf '%s' "$kept")
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: outside.sh WINDOWS_BUILD_DIR}" "$0"
e2e_scenario forged_messages
e2e_scenario win98_version --delay 1=60 --delay 2=15 --delay 3=40
e2e_scenario database_path --no-net
e2e_scenario user_system_root --no-net
e2e_finish
