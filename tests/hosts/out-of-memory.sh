#!/usr/bin/env bash
# A HOSTS too large for the rewrite's memory: the rewrite fails (exit status 1, no abort), HOSTS
# keeps its bytes and nothing is left beside it, whether memory ran out while reading or in the
# edit, after the temporary file was made (a leftover placed there first shows that the rewrite
# got that far: it is removed before the new file is made). Natively under a limit on the
# address space; the 32-bit Windows build under Wine within its 2 GB; the 64-bit one under a
# limit of 2.5 GB, of which Wine itself takes about 1.7 GB to start a program. The files are
# sparse: one line of NUL bytes, no disk used.
# Usage: out-of-memory.sh [--wine PREFIX] HOSTS_REWRITE_TOOL
set -euo pipefail
source "$(dirname "$0")/rewrite-tool.sh"
use_rewrite_tool "$@"
work=$(mktemp -d /tmp/tirox-memory.XXXXXX)
trap 'end_wine; rm -rf "$work"' EXIT
hosts=$work/HOSTS

if [ -z "$wine_prefix" ]; then
  limit_kb=90000
  cases=("reading 110000000" "editing 30000000")
else
  limit_kb=unlimited
  [ "$TIROX_WINE_ARCH" = win64 ] && limit_kb=2500000
  cases=("reading 1900000000" "editing 450000000")
fi

for case in "${cases[@]}"; do
  read -r stage size <<<"$case"
  rm -f "$work"/*
  truncate -s "$size" "$hosts"
  [ "$stage" = reading ] || echo "left by a killed rewrite" >"$hosts.tirox-new"
  for mode in apply restore; do
    status=0
    (ulimit -v "$limit_kb"; rewrite "$mode" "$hosts") || status=$?
    [ "$status" -eq 1 ] || { echo "$mode, $size bytes: exit status $status, not a failure returned" >&2; exit 1; }
    [ "$(stat -c %s "$hosts")" = "$size" ] && cmp -s -n "$size" "$hosts" /dev/zero ||
      { echo "$mode, $size bytes: HOSTS changed" >&2; exit 1; }
    [ ! -e "$hosts.tirox-new" ] || [ "$stage" != editing ] || [ "$mode" != apply ] ||
      { echo "$mode, $size bytes: memory ran out before the temporary file was made; size the case anew" >&2; exit 1; }
    leftovers=$(ls -A "$work" | grep -vx HOSTS || true)
    [ -z "$leftovers" ] || { echo "$mode, $size bytes: left beside HOSTS: $leftovers" >&2; exit 1; }
  done
  echo "out of memory while $stage ($size bytes): failure returned, HOSTS unchanged, nothing left"
done
