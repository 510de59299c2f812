#!/usr/bin/env bash
# A rewrite on a full disk fails and leaves HOSTS byte-identical, with no temporary file left:
# a tiny tmpfs in a private mount namespace.
# Usage: full-disk.sh HOSTS_REWRITE_TOOL
set -euo pipefail
tool=$(realpath "$1")
work=$(mktemp -d /tmp/tirox-fulldisk.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/disk"

# About 150 KB of lines without the route hosts: a second copy does not fit in 256 KB.
for i in $(seq 1 5000); do printf '10.1.%d.%d  host%d.example\r\n' $((i / 250)) $((i % 250)) "$i"; done \
  >"$work/HOSTS.before"

unshare -m --propagation private bash -euo pipefail -c '
  work=$1 tool=$2
  mount -t tmpfs -o size=256k tirox-full "$work/disk"
  cp "$work/HOSTS.before" "$work/disk/HOSTS"
  for mode in apply restore; do
    if "$tool" "$mode" "$work/disk/HOSTS"; then
      echo "$mode reported success on a full disk" >&2; exit 1
    fi
    cmp "$work/HOSTS.before" "$work/disk/HOSTS"
    leftovers=$(ls -A "$work/disk" | grep -vx HOSTS || true)
    [ -z "$leftovers" ] || { echo "left behind: $leftovers" >&2; exit 1; }
  done
  echo "full disk: both modes failed, HOSTS unchanged, nothing left behind"
' tirox-full-disk "$work" "$tool"
