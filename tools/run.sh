#!/usr/bin/env bash
# Starts TiroxOptimize.exe under Wine in a private prefix (BUILD/run-prefix) and saves a
# screenshot of its window as BUILD/TiroxOptimize.png. Builds nothing.
# On $DISPLAY the program stays until you close it. Without a display it runs on a virtual one
# inside a Wine desktop (which draws the window's frame), is photographed and closed again.
# The program is the build this machine runs under Wine (tools/wine-env.sh): the 32-bit one where
# the kernel runs 32-bit code, else the 64-bit one.
# TIROX_DPI (96 unless set) is the display's DPI the program is told, as Windows' display scale.
# Usage: tools/run.sh BUILD
set -euo pipefail
here=$(dirname "$(realpath "$0")")
. "$here/wine-env.sh"
build=$(realpath -m "${1:?usage: tools/run.sh BUILD}")
exe=$build/$TIROX_WINE_ARCH/TiroxOptimize.exe
[ -f "$exe" ] || { echo "run: $exe does not exist: build it first (make build)" >&2; exit 1; }
shot=$build/TiroxOptimize.png
title='^Tirox网络优化$'
dpi=${TIROX_DPI:-96}
[[ "$dpi" =~ ^[1-9][0-9]{1,2}$ ]] || { echo "run: TIROX_DPI must be a DPI such as 96, 120 or 144" >&2; exit 1; }
desktop=$((560 * dpi / 96))x$((400 * dpi / 96))

export WINEPREFIX=$build/run-prefix-$TIROX_WINE_ARCH WINEDEBUG=-all LC_ALL=zh_CN.UTF-8

wait_for_window() {
  local wid
  for _ in $(seq 1 120); do
    wid=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1 || true)
    if [ -n "$wid" ]; then echo "$wid"; return 0; fi
    sleep 0.5
  done
  return 1
}

# The prefix's DPI (LogPixels), read by a wineserver when it starts.
set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' \
             'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    timeout 60 "$TIROX_WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  done
  timeout 60 wineserver -w
}

stop_program() {
  wineserver -k 2>/dev/null || true
}

if [ "${1:-}" != --virtual ] && [ "${2:-}" != --virtual ]; then
  "$here/wine-prefix.sh" "$WINEPREFIX"
  set_dpi
  echo "run: the $TIROX_WINE_ARCH program, $exe"
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    timeout "${TIROX_RUN_TIMEOUT:-28800}" "$TIROX_WINE" "$exe" &
    program=$!
    trap 'kill $program 2>/dev/null || true' INT TERM
    if wid=$(wait_for_window); then
      sleep 1
      import -window "$wid" "$shot"
      echo "run: TiroxOptimize is running on $DISPLAY; screenshot saved as $shot"
    else
      echo "run: no window titled Tirox网络优化 appeared on $DISPLAY" >&2
    fi
    wait $program || true
    exit 0
  fi
  exec "$here/../tests/tools/with-display.sh" --size "${desktop}x24" "$0" "$build" --virtual
fi

# On a virtual display of our own: a Wine desktop of the display's size holds the window.
# Once, just after a whole test run, Wine's launcher failed to start explorer ("ShellExecuteEx
# 失败"); a second start is tried before giving up.
trap stop_program EXIT
for try in 1 2; do
  timeout 120 "$TIROX_WINE" explorer "/desktop=TiroxOptimize,$desktop" "$exe" &
  wait_for_window >/dev/null && break
  stop_program
  if [ "$try" = 2 ]; then
    echo "run: no window titled Tirox网络优化 appeared" >&2
    exit 1
  fi
  echo "run: no window titled Tirox网络优化 appeared; starting it once more" >&2
done
sleep 1
import -window root "$shot"
echo "run: screenshot saved as $shot"
xdotool key Escape
for _ in $(seq 1 20); do
  xdotool search --name "$title" >/dev/null 2>&1 || { echo "run: the program ended on Escape"; exit 0; }
  sleep 0.5
done
echo "run: the program did not end on Escape; stopped it" >&2
