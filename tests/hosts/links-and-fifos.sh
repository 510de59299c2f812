#!/usr/bin/env bash
# Symbolic links and FIFOs where a rewrite meets them, natively and under Wine (the Windows build
# cannot make either itself):
# - HOSTS a link to a file elsewhere: that file gets the edit and the link stays a link;
# - HOSTS a FIFO: the rewrite fails at once, without waiting for a writer;
# - a link or a FIFO at the temporary name: removed natively and the rewrite succeeds; the
#   Windows build leaves either alone (Wine would delete the file a link leads to, and deletes no
#   FIFO) and fails at once with HOSTS unchanged; the file the link leads to keeps its bytes;
# - the Windows build's backup name: a hard link there to a read-only file, a link there while
#   HOSTS is missing, and a link or a FIFO there while HOSTS exists are left alone and the rewrite
#   fails; natively that name is not used.
# Usage: links-and-fifos.sh [--wine PREFIX] HOSTS_REWRITE_TOOL
set -euo pipefail
source "$(dirname "$0")/rewrite-tool.sh"
use_rewrite_tool "$@"
work=$(mktemp -d /tmp/tirox-links.XXXXXX)
trap 'end_wine; rm -rf "$work"' EXIT
mkdir "$work/etc" "$work/elsewhere"
hosts=$work/etc/HOSTS
printf '# sample\r\n127.0.0.1  localhost\r\n' >"$work/sample"
fail() { echo "$*" >&2; exit 1; }
only_in() { [ "$(ls -A "$1" | tr '\n' ' ')" = "$2 " ] || fail "$case: $1 holds $(ls -A "$1" | tr '\n' ' '), not $2"; }

# What apply makes of the sample.
cp "$work/sample" "$hosts"
rewrite apply "$hosts"
mv "$hosts" "$work/applied"

case="HOSTS a link to a file elsewhere"
cp "$work/sample" "$work/elsewhere/hosts"
ln -s ../elsewhere/hosts "$hosts"
rewrite apply "$hosts" || fail "$case: apply failed"
[ -L "$hosts" ] || fail "$case: the link was replaced"
cmp "$work/applied" "$work/elsewhere/hosts" || fail "$case: the file it leads to lacks the edit"
only_in "$work/etc" HOSTS
only_in "$work/elsewhere" hosts
rewrite restore "$hosts" || fail "$case: restore failed"
cmp "$work/sample" "$work/elsewhere/hosts" || fail "$case: restore did not give the file back"
rm -f "$work"/etc/* "$work"/elsewhere/*

case="HOSTS a FIFO"
mkfifo "$hosts"
status=0
TIROX_REWRITE_TIMEOUT=20 rewrite apply "$hosts" || status=$?
[ "$status" -eq 1 ] || fail "$case: exit status $status, not a failure returned at once"
[ -p "$hosts" ] || fail "$case: the FIFO was replaced"
only_in "$work/etc" HOSTS
rm -f "$work"/etc/*

for leftover in FIFO "link to a file elsewhere"; do
  case="a $leftover at the temporary name"
  cp "$work/sample" "$hosts"
  printf 'precious\r\n' >"$work/elsewhere/other"
  if [ "$leftover" = FIFO ]; then
    mkfifo "$hosts.tirox-new"
  else
    ln -s ../elsewhere/other "$hosts.tirox-new"
  fi
  status=0
  TIROX_REWRITE_TIMEOUT=20 rewrite apply "$hosts" || status=$?
  if [ -n "$wine_prefix" ]; then
    [ "$status" -eq 1 ] || fail "$case: exit status $status, not a failure returned at once"
    cmp "$work/sample" "$hosts" || fail "$case: HOSTS changed"
  else
    [ "$status" -eq 0 ] || fail "$case: apply failed (exit status $status)"
    cmp "$work/applied" "$hosts" || fail "$case: HOSTS lacks the edit"
    only_in "$work/etc" HOSTS
  fi
  [ "$(cat "$work/elsewhere/other")" = $'precious\r' ] || fail "$case: the file it leads to was written"
  rm -f "$work"/etc/* "$work"/elsewhere/*
done
# The backup name, which only the Windows build's replace uses, gets the same care: a hard link
# there to a read-only file elsewhere keeps that file's attribute and the rewrite fails; a link
# there while HOSTS is missing is not put in HOSTS' place.
if [ -n "$wine_prefix" ]; then
  case="a hard link to a read-only file at the backup name"
  cp "$work/sample" "$hosts"
  printf 'precious\r\n' >"$work/elsewhere/other"
  chmod 0444 "$work/elsewhere/other"
  ln "$work/elsewhere/other" "$hosts.tirox-old"
  status=0
  TIROX_REWRITE_TIMEOUT=20 rewrite apply "$hosts" || status=$?
  [ "$status" -eq 1 ] || fail "$case: exit status $status, not a failure"
  cmp "$work/sample" "$hosts" || fail "$case: HOSTS changed"
  [ "$(stat -c %a "$work/elsewhere/other")" = 444 ] || fail "$case: the file it leads to lost its read-only attribute"
  [ "$(cat "$work/elsewhere/other")" = $'precious\r' ] || fail "$case: the file it leads to was written"
  rm -f "$work"/etc/* "$work"/elsewhere/*

  case="a link at the backup name while HOSTS is missing"
  printf 'precious\r\n' >"$work/elsewhere/other"
  ln -s ../elsewhere/other "$hosts.tirox-old"
  status=0
  TIROX_REWRITE_TIMEOUT=20 rewrite apply "$hosts" || status=$?
  [ "$status" -eq 1 ] || fail "$case: exit status $status, not a failure"
  [ ! -e "$hosts" ] && [ -L "$hosts.tirox-old" ] || fail "$case: the link was moved or HOSTS made"
  [ "$(cat "$work/elsewhere/other")" = $'precious\r' ] || fail "$case: the file it leads to was written or removed"
  rm -f "$work"/etc/* "$work"/elsewhere/*
fi
# A link or a FIFO at the backup name while HOSTS is there: the Windows build leaves it alone
# (removing a link there under Wine would delete the file it leads to) and fails with HOSTS
# unchanged; natively the name is not used and the rewrite succeeds. Either way it stays.
for leftover in FIFO "link to a file elsewhere"; do
  case="a $leftover at the backup name"
  cp "$work/sample" "$hosts"
  printf 'precious\r\n' >"$work/elsewhere/other"
  if [ "$leftover" = FIFO ]; then
    mkfifo "$hosts.tirox-old"
  else
    ln -s ../elsewhere/other "$hosts.tirox-old"
  fi
  status=0
  TIROX_REWRITE_TIMEOUT=20 rewrite apply "$hosts" || status=$?
  if [ -n "$wine_prefix" ]; then
    [ "$status" -eq 1 ] || fail "$case: exit status $status, not a failure returned at once"
    cmp "$work/sample" "$hosts" || fail "$case: HOSTS changed"
    only_in "$work/etc" "HOSTS HOSTS.tirox-old"
  else
    [ "$status" -eq 0 ] || fail "$case: apply failed (exit status $status)"
    cmp "$work/applied" "$hosts" || fail "$case: HOSTS lacks the edit"
  fi
  if [ "$leftover" = FIFO ]; then
    [ -p "$hosts.tirox-old" ] || fail "$case: the FIFO was removed or replaced"
  else
    [ -L "$hosts.tirox-old" ] || fail "$case: the link was removed or replaced"
  fi
  [ "$(cat "$work/elsewhere/other")" = $'precious\r' ] || fail "$case: the file it leads to was written or removed"
  rm -f "$work"/etc/* "$work"/elsewhere/*
done
echo "links and FIFOs: a linked HOSTS edited where it leads, the link kept; a FIFO HOSTS refused" \
     "at once; a link or a FIFO at the temporary name $([ -n "$wine_prefix" ] && echo refused || echo removed)"
