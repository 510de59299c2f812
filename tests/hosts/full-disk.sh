#!/usr/bin/env bash
# A rewrite on a full disk fails and leaves HOSTS byte-identical, with nothing left beside it: a
# tiny tmpfs in a private mount namespace. Natively, or the Windows build under Wine, whose server
# then runs inside the namespace too (it is what opens the files).
# Usage: full-disk.sh [--wine PREFIX] HOSTS_REWRITE_TOOL
set -euo pipefail
if [ "${1:-}" != --in-namespace ]; then
  # A server of the prefix started outside would not see the tmpfs.
  [ "${1:-}" != --wine ] || WINEPREFIX=$(realpath -m "$2") wineserver -k 2>/dev/null || true
  exec unshare -m --propagation private "$0" --in-namespace "$@"
fi
shift
source "$(dirname "$0")/rewrite-tool.sh"
use_rewrite_tool "$@"
work=$(mktemp -d /tmp/tirox-fulldisk.XXXXXX)
cleanup() {
  end_wine
  umount "$work/disk" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/disk"

# About 150 KB of lines without the route hosts: a second copy does not fit in 256 KB.
for i in $(seq 1 5000); do printf '10.1.%d.%d  host%d.example\r\n' $((i / 250)) $((i % 250)) "$i"; done \
  >"$work/HOSTS.before"

mount -t tmpfs -o size=256k tirox-full "$work/disk"
cp "$work/HOSTS.before" "$work/disk/HOSTS"
for mode in apply restore; do
  if rewrite "$mode" "$work/disk/HOSTS"; then
    echo "$mode reported success on a full disk" >&2; exit 1
  fi
  cmp "$work/HOSTS.before" "$work/disk/HOSTS"
  leftovers=$(ls -A "$work/disk" | grep -vx HOSTS || true)
  [ -z "$leftovers" ] || { echo "left behind: $leftovers" >&2; exit 1; }
done
# The same rewrite once the disk has room: the failures above were the full disk's.
mount -o remount,size=1m "$work/disk"
rewrite apply "$work/disk/HOSTS" || { echo "apply failed on a disk with room" >&2; exit 1; }
! cmp -s "$work/HOSTS.before" "$work/disk/HOSTS"
echo "full disk: both modes failed, HOSTS unchanged, nothing left behind; with room, apply succeeded"
