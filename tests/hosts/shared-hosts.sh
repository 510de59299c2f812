#!/usr/bin/env bash
# HOSTS shared with other programs. Another program appends a line the moment the rewrite's new
# file appears (where the gap between read and replace is widest, on a HOSTS of 300,000 lines):
# the line is in HOSTS afterwards, beside the edit. Under Wine also: a Windows program that
# appends (waiting while it is refused), and one that holds HOSTS open without delete sharing,
# as a scanner may, from that moment: for half a second the rewrite waits it out; for ten
# seconds the rewrite fails while it is still held, HOSTS as it was and nothing beside it.
# Natively (the append from outside only), or the Windows build under Wine.
# Usage: shared-hosts.sh [--wine PREFIX] HOSTS_REWRITE_TOOL [HOSTS_NEIGHBOUR]
set -euo pipefail
source "$(dirname "$0")/rewrite-tool.sh"
neighbour=
if [ "$1" = --wine ]; then
  use_rewrite_tool "$1" "$2" "$3"
  neighbour=$(realpath "$4")
else
  use_rewrite_tool "$1"
fi
work=$(mktemp -d /tmp/tirox-shared.XXXXXX)
helper=
cleanup() {
  [ -z "$helper" ] || kill "$helper" 2>/dev/null || true
  end_wine
  rm -rf "$work"
}
trap cleanup EXIT
hosts=$work/HOSTS
[ -z "$wine_prefix" ] || wineserver -p 2>/dev/null || true

failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "  ok: $what"; else echo "  FAILED: $what" >&2; failures=$((failures + 1)); fi
}
not_ok() { ! "$@"; }
either_file() { cmp -s "$1" "$2" || cmp -s "$1" "$3"; }
nothing_beside() { [ -z "$(ls -A "$work" | grep -vx -e HOSTS -e old -e expected -e neighbour.out || true)" ]; }
has_line_once() { [ "$(grep -cxF "$1"$'\r' "$hosts")" = 1 ]; }

awk 'BEGIN { for (i = 0; i < 300000; i++) printf "0.0.0.0  ads%d.tracker.example\r\n", i }' >"$work/old"

# start_helper COMMAND...: runs another program in the background ($helper) until it watches.
start_helper() {
  rm -f "$work/neighbour.out"
  "$@" >"$work/neighbour.out" 2>&1 &
  helper=$!
  local deadline=$((SECONDS + 60))
  until printed "$work/neighbour.out" watching; do
    [ $SECONDS -lt $deadline ] && kill -0 "$helper" 2>/dev/null || { echo "the other program did not start" >&2; exit 1; }
    pause 0.05
  done
}

end_helper() {
  local status=0
  wait "$helper" || status=$?
  helper=
  sed 's/\r$//; s/^/  the other program: /' "$work/neighbour.out" | grep -v watching || true
  return "$status"
}

linux_appender() {
  python3 -c '
import os, sys, time
watch, path, text = sys.argv[1:]
print("watching", flush=True)
while not os.path.exists(watch):
    time.sleep(0.0005)
with open(path, "ab") as f:
    f.write(text.encode() + b"\r\n")
print("appended")' "$1" "$2" "$3"
}

windows_neighbour() {
  "$TIROX_WINE" "$neighbour" "$1" "$(windows_path "$2")" "$(windows_path "$3")" "$4"
}

# appended_line_kept NAME APPENDER...: the line another program appends while the rewrite writes
# its new file is in HOSTS afterwards, once, and the rewrite's edit is made.
appended_line_kept() {
  local name=$1 line="10.9.8.7  appended-by-$1.example"; shift
  echo "== $name appends while the rewrite writes its new file"
  cp "$work/old" "$hosts"
  start_helper "$@" "$hosts.tirox-new" "$hosts" "$line"
  check "the rewrite succeeds" rewrite apply "$hosts"
  check "the other program appended" end_helper
  check "its line is in HOSTS once" has_line_once "$line"
  # Appended before the read of the edit that went in, or after the replace.
  { cat "$work/old"; printf '%s\r\n' "$line"; } >"$work/expected"
  rewrite apply "$work/expected"
  cp "$work/old" "$work/expected.after"
  rewrite apply "$work/expected.after"
  printf '%s\r\n' "$line" >>"$work/expected.after"
  check "HOSTS holds the edit and the line" either_file "$hosts" "$work/expected" "$work/expected.after"
  rm -f "$work/expected" "$work/expected.after"
  check "nothing left beside HOSTS" nothing_beside
}

appended_line_kept outside linux_appender
if [ -n "$wine_prefix" ]; then
  appended_line_kept windows windows_neighbour append

  cp "$work/old" "$hosts"
  rewrite apply "$hosts"
  cp "$hosts" "$work/old"

  echo "== HOSTS held without delete sharing for half a second from the moment the new file appears"
  start_helper windows_neighbour hold "$hosts.tirox-new" "$hosts" 500
  check "the restore succeeds" rewrite restore "$hosts"
  check "the other program held HOSTS" end_helper
  check "HOSTS holds the restore" not_ok grep -q 'tirox\.example' "$hosts"
  check "nothing left beside HOSTS" nothing_beside

  echo "== HOSTS held so for ten seconds"
  cp "$work/old" "$hosts"
  start_helper windows_neighbour hold "$hosts.tirox-new" "$hosts" 10000
  start=$EPOCHREALTIME
  check "the restore fails" not_ok rewrite restore "$hosts"
  awk -v start="$start" -v end="$EPOCHREALTIME" 'BEGIN { printf "  the failed restore lasted %.1f s\n", end - start }'
  check "it failed while HOSTS was still held" kill -0 "$helper"
  check "the other program held HOSTS" end_helper
  check "HOSTS is as it was" cmp -s "$hosts" "$work/old"
  check "nothing left beside HOSTS" nothing_beside
fi
[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "HOSTS shared: every check passed"
