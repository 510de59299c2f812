# Shared helpers of the end-to-end tests (sourced, bash).
#
# A test script defines scenario_<name> functions, then calls
#   e2e_setup WINDOWS_BUILD_DIR "$0"
#   e2e_scenario NAME --no-net            # or: e2e_scenario NAME [with-testnet.sh options]
#   e2e_finish
# Each scenario runs in a fresh copy of a fresh Wine prefix (tools/wine-prefix.sh), in a virtual display of its
# own and inside a network namespace of its own: with --no-net an empty one (no route at all),
# otherwise the test network of tests/net/with-testnet.sh. The scenario function runs inside
# both, so the program's wineserver is started in that namespace; it calls check/fail and
# returns non-zero when something failed.

E2E_HERE=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
E2E_ROOT=$(realpath "$E2E_HERE/../..")
E2E_TITLE='Tirox网络优化'
E2E_PYTHON=/usr/bin/python3   # Debian's, with python3-pil (tools/setup.sh)

. "$E2E_ROOT/tools/wine-env.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

# Wine runs under the Chinese locale (code page 936), as the program's users run it.
E2E_WINE=(env LC_ALL=zh_CN.UTF-8 "$TIROX_WINE")

# Outside the namespace: prefixes, displays, namespaces.

e2e_setup() {
  # A scenario that broke off (e.g. on a shell error) must not fall through to here.
  [ "$1" = --inside ] && exit 1
  local windows_build=$1
  E2E_SCRIPT=$(realpath "$2")
  export E2E_WIN_DIR
  E2E_WIN_DIR=$(realpath -m "$windows_build")
  local program
  for program in TiroxOptimize ReadLogPane DescribeWindow PostStartCommand CommandDuringRun; do
    if [ ! -f "$E2E_WIN_DIR/$program.exe" ]; then
      echo "missing $E2E_WIN_DIR/$program.exe (build the Windows tree first)" >&2
      exit 1
    fi
  done
  export E2E_WORK
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tirox-e2e.XXXXXX")
  E2E_FAILED_SCENARIOS=()
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  "$E2E_ROOT/tools/wine-prefix.sh" "$E2E_WORK/base"
}

e2e_cleanup() {
  local prefix
  for prefix in "$E2E_WORK"/*/; do
    [ -d "$prefix/drive_c" ] || continue
    WINEPREFIX=${prefix%/} timeout 20 wineserver -k 2>/dev/null
    e2e_mutable "$prefix"
  done
  rm -rf "$E2E_WORK"
}

# e2e_mutable PREFIX: takes the immutable flag a scenario may have set off its HOSTS files.
e2e_mutable() {
  find "$1/drive_c/windows" -maxdepth 4 -iname hosts -exec chattr -i {} + 2>/dev/null
}

# e2e_scenario NAME (--no-net | with-testnet.sh options...)
e2e_scenario() {
  local name=$1; shift
  # E2E_ONLY="name ..." picks scenarios while working on them.
  if [ -n "${E2E_ONLY:-}" ] && [[ " $E2E_ONLY " != *" $name "* ]]; then
    return
  fi
  local runner
  if [ "${1:-}" = --no-net ]; then
    runner=(unshare --net --)
  else
    local testnet=$E2E_ROOT/tests/net/with-testnet.sh
    if [ ! -x "$testnet" ]; then
      echo "FAIL $name: the test network ($testnet) is missing"
      E2E_FAILED_SCENARIOS+=("$name")
      return
    fi
    runner=("$testnet" "$@" --)
  fi
  export WINEPREFIX=$E2E_WORK/$name
  cp -a "$E2E_WORK/base" "$WINEPREFIX"
  timeout 20 wineserver -k 2>/dev/null
  echo "== $name"
  local start=$SECONDS status=0
  timeout -k 10 600 "$E2E_ROOT/tests/tools/with-display.sh" --size 1024x768x24 \
    "${runner[@]}" bash "$E2E_SCRIPT" --inside "$name" || status=$?
  timeout 20 wineserver -k 2>/dev/null
  e2e_mutable "$WINEPREFIX"
  rm -rf "$WINEPREFIX"
  if [ "$status" -eq 0 ]; then
    echo "PASS $name ($((SECONDS - start)) s)"
  else
    echo "FAIL $name (status $status, $((SECONDS - start)) s)"
    E2E_FAILED_SCENARIOS+=("$name")
  fi
}

e2e_finish() {
  if [ ${#E2E_FAILED_SCENARIOS[@]} -gt 0 ]; then
    echo "failed: ${E2E_FAILED_SCENARIOS[*]}"
    exit 1
  fi
}

# Called by the test script first: inside the display and the namespace, runs one scenario.
e2e_dispatch_inside() {
  [ "${1:-}" = --inside ] || return 0
  E2E_FAILURES=0
  E2E_OUT=$WINEPREFIX.out
  mkdir -p "$E2E_OUT"
  trap e2e_inside_cleanup EXIT
  "scenario_$2"
  local status=$?
  [ "$status" -eq 0 ] && [ "$E2E_FAILURES" -eq 0 ] && exit 0
  e2e_show_evidence
  exit 1
}

e2e_inside_cleanup() {
  [ -n "${E2E_PROGRAM_PID:-}" ] && kill "$E2E_PROGRAM_PID" 2>/dev/null
  timeout 20 wineserver -k 2>/dev/null
  wait 2>/dev/null
  rm -rf "$E2E_OUT"
}

# On failure: the last log pane text (as UTF-8) and window description, for the test output.
e2e_show_evidence() {
  if [ -f "$E2E_OUT/log" ]; then
    echo "--- log pane (UTF-8):"
    iconv -f GBK -t UTF-8 "$E2E_OUT/log" | sed 's/\r$/\\r/'
  fi
  if [ -f "$E2E_OUT/describe" ]; then
    echo "--- window:"
    cat "$E2E_OUT/describe"
  fi
}

# Inside the namespace: checks.

fail() {
  echo "FAIL: $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

# check DESCRIPTION COMMAND...: runs the command, counts a failure when it fails.
check() {
  local what=$1; shift
  if "$@"; then
    echo "ok: $what"
  else
    fail "$what"
  fi
}

# not COMMAND...: succeeds when the command fails (for check).
not() {
  ! "$@"
}

# gbk TEXT: the text's GBK bytes, by an encoder independent of the program.
gbk() {
  printf '%s' "$1" | iconv -f UTF-8 -t GBK
}

# Inside the namespace: Wine, the program and its window.

# hosts_in DIR: the file named HOSTS in DIR. Windows names are case-blind: a rewrite may leave
# the file as "HOSTS" where the prefix made "hosts".
hosts_in() {
  local found
  found=$(find "$1" -maxdepth 1 -iname hosts | head -1)
  echo "${found:-$1/hosts}"
}

# hosts_file: the HOSTS file of the NT family in the prefix.
hosts_file() {
  hosts_in "$WINEPREFIX/drive_c/windows/system32/drivers/etc"
}

# one_hosts_file DIR: DIR holds exactly one file named HOSTS in any case.
one_hosts_file() {
  [ "$(find "$1" -maxdepth 1 -iname hosts | wc -l)" = 1 ]
}

# route_lines ADDRESS: the nine HOSTS lines of a group's route table, as the program writes them.
route_lines() {
  local label
  printf '%s  tirox.example\r\n' "$1"
  for label in ddz majh xqi wzq tlj sjz bdz1 hjd; do
    printf '%s  %s.tirox.example\r\n' "$1" "$label"
  done
}

# What each group's route table maps the host names to.
E2E_SERVICE_ADDRESSES=(192.0.2.20 198.51.100.20 203.0.113.20)

# fastest_shown LOG: the number of the group whose five times in a finished run's log pane
# average lowest, the group the program must have applied. The delays make it group 2, but now
# and then a reply waits for the processor (check-log.py allows it), and that can lift group 2's
# average above group 3's.
fastest_shown() {
  local group
  group=$("$E2E_PYTHON" "$E2E_HERE/check-log.py" --fastest "$1") || { echo "  $group" >&2; return 1; }
  [ "$group" = 2 ] || echo "  note: the log pane shows group $group fastest on average" >&2
  echo "$group"
}

# check_applied BEFORE [WHAT]: after a run with the usual delays, HOSTS holds BEFORE and then the
# nine lines of the group the log pane shows fastest. WHAT begins the check's text.
check_applied() {
  local group
  group=$(fastest_shown "$E2E_OUT/log") || group=2
  check "${2:-}HOSTS holds its lines and then group $group's nine lines" \
    cmp -s "$(hosts_file)" <(printf '%s' "$1"; route_lines "${E2E_SERVICE_ADDRESSES[group - 1]}")
}

# Outcome texts of a run; polling waits for any of them.
E2E_OUTCOMES=("优化完成" "您的网络不需要优化" "请将网络调通后再进行尝试" "无法修改HOSTS文件，优化未完成")

# start_run [COMMAND...]: a real click on the start button, then COMMAND (while the run goes
# on), then waits for the run's outcome in the log pane and says how long the run took.
start_run() {
  local start=$EPOCHREALTIME
  click_control 1000 || return 1
  "${@:-true}"
  wait_log_text 120 "${E2E_OUTCOMES[@]}" || return 1
  awk -v start="$start" -v end="$EPOCHREALTIME" \
    'BEGIN { printf "  run: %.1f s from the click to its outcome text\n", end - start }'
}

# has_outcome LOG: the log holds one of the run's outcome texts.
has_outcome() {
  local text
  for text in "${E2E_OUTCOMES[@]}"; do
    LC_ALL=C grep -qaF -- "$(gbk "$text")" "$1" && return 0
  done
  return 1
}

# set_dpi DPI: the display's DPI (LogPixels) for the programs started from here on, as Windows XP
# and 7 keep it; the wineserver reads it when it starts, so the running one is let exit first.
set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' \
             'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    e2e_reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f || return 1
  done
  timeout 60 wineserver -w
}

# scaled DPI PIXELS: a length of the 96-DPI window at the DPI, rounded half up.
scaled() {
  echo $(( ($2 * $1 + 48) / 96 ))
}

# picture_id DPI ID: the resource of picture ID (its 100% bitmap) in the set drawn for the DPI
# (96, 120, 144 or 192).
picture_id() {
  local percent=$(( $1 * 100 / 96 ))
  [ "$percent" = 100 ] && echo "$2" || echo $(( percent * 100 + $2 ))
}

e2e_wine() {
  timeout -k 5 60 "${E2E_WINE[@]}" "$@"
}

# e2e_reg ARGS...: Wine's reg command, to set up a scenario. It is tried once more when it fails,
# and each failure shows its status and what reg said.
e2e_reg() {
  local try status
  for try in 1 2; do
    status=0
    e2e_wine reg "$@" >"$E2E_OUT/reg.out" 2>&1 || status=$?
    [ "$status" = 0 ] && return 0
    echo "  reg $1 ended with status $status (try $try):"
    sed 's/^/    /' "$E2E_OUT/reg.out"
  done
  return 1
}

# start_program [EXE]: starts the program (default: the build's) in the background
# ($E2E_PROGRAM_PID) and waits for its window.
#
# Wine makes a prefix's desktop (explorer.exe) for its first window and waits only 10 s for it.
# Where it could not start it, the program can make no window and ends without one; Wine then says
# so (E2E_NO_DESKTOP; Wine's window errors are kept in program.out, shown when a start fails).
# Such a start, which no Windows has, is told and made once more; any other end without a window
# fails.
E2E_NO_DESKTOP='err:win:get_desktop_window'
start_program() {
  local attempt status
  for attempt in 1 2; do
    WINEDEBUG=-all,err+win timeout -k 5 300 "${E2E_WINE[@]}" "${1:-$E2E_WIN_DIR/TiroxOptimize.exe}" \
      >"$E2E_OUT/program.out" 2>&1 &
    E2E_PROGRAM_PID=$!
    status=0
    wait_window 60 || status=$?
    [ "$status" -eq 2 ] || return "$status"
    [ "$attempt" -eq 1 ] || break
    echo "  Wine's desktop was not up, so the program could make no window; started again:"
    sed 's/^/    /' "$E2E_OUT/program.out"
  done
  fail "no window titled $E2E_TITLE: Wine's desktop was not up at either start"
  describe_program
  return 1
}

# wait_window SECONDS: until the window is mapped on the display; status 2 when the program
# ended without one because Wine's desktop was not up.
wait_window() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    xdotool search --onlyvisible --name "^$E2E_TITLE\$" >/dev/null 2>&1 && return 0
    if ! kill -0 "$E2E_PROGRAM_PID" 2>/dev/null && grep -qF "$E2E_NO_DESKTOP" "$E2E_OUT/program.out"; then
      return 2
    fi
    sleep 0.5
  done
  fail "no window titled $E2E_TITLE within $1 s"
  describe_program
  return 1
}

# describe_program: whether the program started last still runs, and what it printed: a window
# that never came may be a start that ended by itself or one that is still on its way.
describe_program() {
  [ -n "${E2E_PROGRAM_PID:-}" ] || return 0
  if kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
    echo "  the program is still running"
  else
    local status=0
    wait "$E2E_PROGRAM_PID" 2>/dev/null || status=$?
    echo "  the program ended with status $status"
  fi
  [ -s "$E2E_OUT/program.out" ] && sed 's/^/    /' "$E2E_OUT/program.out"
  return 0
}

# wait_exit PID SECONDS: the process ends by itself within the time.
wait_exit() {
  local pid=$1 deadline=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# describe [DLU...]: the window's facts (DescribeWindow.exe) into $E2E_OUT/describe.
describe() {
  local status=0
  e2e_wine "$E2E_WIN_DIR/DescribeWindow.exe" "$@" 2>/dev/null | tr -d '\r' >"$E2E_OUT/describe" || status=$?
  return "$status"
}

# fact KEY [FIELD...]: fields of a describe line, e.g. fact control 1000.
fact() {
  awk -v key="$*" 'index($0, key " ") == 1 { print substr($0, length(key) + 2); exit }' "$E2E_OUT/describe"
}

# read_log FILE: the log pane's bytes.
read_log() {
  e2e_wine "$E2E_WIN_DIR/ReadLogPane.exe" >"$1" 2>/dev/null
}

# click_control ID: a real pointer move to the control's centre and a left click.
click_control() {
  describe || { fail "window not found for a click on $1"; return 1; }
  local ox oy x y w h
  read -r ox oy _ _ <<<"$(fact client)"
  read -r x y w h _ <<<"$(fact control "$1")"
  xdotool mousemove --sync $((ox + x + w / 2)) $((oy + y + h / 2))
  sleep 0.3
  xdotool click 1
}

# hover_control ID: the pointer over the control's centre, without a click.
hover_control() {
  local ox oy x y w h
  read -r ox oy _ _ <<<"$(fact client)"
  read -r x y w h _ <<<"$(fact control "$1")"
  xdotool mousemove --sync $((ox + x + w / 2 - 3)) $((oy + y + h / 2 - 1))
  xdotool mousemove --sync $((ox + x + w / 2)) $((oy + y + h / 2))
}

# place_is ID X Y W H: control ID lies at X,Y of the client area with size W x H.
place_is() {
  local actual
  actual=$(fact control "$1" | cut -d' ' -f1-4)
  [ "$actual" = "$2 $3 $4 $5" ] || { echo "  control $1 at/size $actual, expected $2 $3 $4 $5"; return 1; }
}

# centred_on_work_area: the window's centre is the work area's, within a pixel.
centred_on_work_area() {
  local left top right bottom wl wt wr wb
  read -r left top right bottom <<<"$(fact window)"
  read -r wl wt wr wb <<<"$(fact workarea)"
  [ $(( (left + right) - (wl + wr) )) -ge -2 -a $(( (left + right) - (wl + wr) )) -le 2 \
    -a $(( (top + bottom) - (wt + wb) )) -ge -2 -a $(( (top + bottom) - (wt + wb) )) -le 2 ]
}

# scaled_place_is DPI ID X Y W H: control ID lies where the 96-DPI rectangle is, times the scale.
scaled_place_is() {
  local dpi=$1 id=$2; shift 2
  place_is "$id" $(for v in "$@"; do scaled "$dpi" "$v"; done)
}

# check_layout DPI: the window laid out for the DPI: sizes, places and the log pane's font.
check_layout() {
  local dpi=$1 cw ch
  check "the program is told $dpi DPI" [ "$(fact dpi)" = "$dpi" ]
  read -r _ _ cw ch <<<"$(fact client)"
  check "client area 398 x 294 times the scale: $(scaled "$dpi" 398) x $(scaled "$dpi" 294)" \
    [ "$cw $ch" = "$(scaled "$dpi" 398) $(scaled "$dpi" 294)" ]
  check "start button: 88 x 88 at 297,69 times the scale" scaled_place_is "$dpi" 1000 297 69 88 88
  check "log pane: 368 x 50 at 14,198 times the scale" scaled_place_is "$dpi" 1001 14 198 368 50
  check "restore button: 79 x 12 at 297,258 times the scale" scaled_place_is "$dpi" 1002 297 258 79 12
  describe lines
  check "the log pane writes with the 9 pt dialog font at $dpi DPI: lines $(fact font_height) pixels high" \
    [ "$(fact line_height 1001)" = "$(fact font_height)" -a "$(fact font_height)" -ge "$(scaled "$dpi" 12)" ]
  check "window centred on the work area" centred_on_work_area
}

# pane_inside [DPI]: the log pane's rectangle within its border, left of its scroll bar.
pane_inside() {
  fact control 1001 | awk -v bar="$(scaled "${1:-96}" 28)" '{ print $1 + 2 "," $2 + 2 "," $3 - bar "," $4 - 4 }'
}

# pixels SHOT ARGS...: the screenshot shows the pictures (check-pixels.py arguments).
pixels() {
  local shot=$1; shift
  local ox oy w h
  read -r ox oy w h <<<"$(fact client)"
  "$E2E_PYTHON" "$E2E_HERE/check-pixels.py" "$shot" "$ox,$oy" "$w,$h" "$@" | sed 's/^/  /'
}

# shows SHOT ARGS...: screenshots into SHOT until one passes the pixel check (pixels ARGS) or
# 10 s have passed, since the window repaints a moment after the pointer moves; prints the last
# comparison.
shows() {
  local shot=$1; shift
  local deadline=$((SECONDS + 10)) out
  while :; do
    screenshot "$shot"
    out=$(pixels "$shot" "$@") && { echo "$out"; return 0; }
    [ $SECONDS -lt $deadline ] || { echo "$out"; return 1; }
    sleep 0.3
  done
}

rect_of() {
  fact control "$1" | awk '{ print $1 "," $2 "," $3 "," $4 }'
}

place_of() {
  fact control "$1" | awk '{ print $1 "," $2 }'
}

# same_pixels SHOT1 SHOT2 ID: control ID looks the same in both screenshots.
same_pixels() {
  local ox oy x y w h
  read -r ox oy _ _ <<<"$(fact client)"
  read -r x y w h _ <<<"$(fact control "$3")"
  local area=${w}x${h}+$((ox + x))+$((oy + y))
  cmp -s <(convert "$1" -crop "$area" +repage rgb:-) <(convert "$2" -crop "$area" +repage rgb:-)
}

pointer_away() {
  xdotool mousemove --sync 1 1
  sleep 0.5
}

screenshot() {
  import -window root "$1"
}

# wait_log_text SECONDS TEXT...: polls the log pane until one of the texts (UTF-8, compared as
# GBK bytes) appears; the last reading stays in $E2E_OUT/log.
wait_log_text() {
  local deadline=$((SECONDS + $1)); shift
  local text patterns=()
  # Converted once: each poll costs CPU that the program under test is measured by.
  for text in "$@"; do
    patterns+=(-e "$(gbk "$text")")
  done
  while [ $SECONDS -lt $deadline ]; do
    if read_log "$E2E_OUT/log.new"; then
      mv "$E2E_OUT/log.new" "$E2E_OUT/log"
      LC_ALL=C grep -qaF "${patterns[@]}" "$E2E_OUT/log" && return 0
    fi
    sleep 1
  done
  fail "none of the texts ($*) in the log pane within the time"
  return 1
}

# check_log LOG OUTCOME G1 G2 G3 [LINE...]: fifteen attempt lines, then the outcome line, then
# the LINEs, nothing else; Gn is "fail" or the range MIN-MAX of group n's times in ms.
check_log() {
  local out
  if out=$("$E2E_PYTHON" "$E2E_HERE/check-log.py" "$@" 2>&1); then
    [ -z "$out" ] || sed 's/^/  /' <<<"$out"
    local texts
    printf -v texts ', "%s"' "${@:2:1}" "${@:6}"
    echo "ok: log pane: 15 attempts as expected, then ${texts#, }"
  else
    fail "log pane: $out"
  fi
}
