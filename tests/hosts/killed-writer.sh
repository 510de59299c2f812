#!/usr/bin/env bash
# A rewrite killed at any moment leaves HOSTS with its old or its new content, never a mix; the
# temporary file it leaves is cleared by the next rewrite.
# Usage: killed-writer.sh HOSTS_REWRITE_TOOL
set -euo pipefail
tool=$(realpath "$1")
work=$(mktemp -d /tmp/tirox-killed.XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
hosts=$work/HOSTS

# A large file in normal form without the route hosts: restore gives it back byte for byte, so
# the file is always either "$work/old" or "$work/new".
awk 'BEGIN { for (i = 0; i < 200000; i++) printf "0.0.0.0  ads%d.tracker.example\r\n", i }' >"$work/old"
cp "$work/old" "$hosts"
"$tool" apply "$hosts"
cp "$hosts" "$work/new"
"$tool" restore "$hosts"
cmp "$hosts" "$work/old"

midwrite=0
for round in $(seq 1 30); do
  "$tool" cycle "$hosts" &
  pid=$!
  sleep "$(printf '0.%03d' $((RANDOM % 400 + 20)))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  if ! cmp -s "$hosts" "$work/old" && ! cmp -s "$hosts" "$work/new"; then
    echo "round $round: HOSTS holds neither the old nor the new content" >&2
    exit 1
  fi
  [ -e "$hosts.tirox-new" ] && midwrite=$((midwrite + 1))
  [ "$midwrite" -ge 5 ] && break
done
if [ "$midwrite" -eq 0 ]; then
  echo "no kill landed while a temporary file was open; nothing was tested" >&2
  exit 1
fi

"$tool" apply "$hosts"
cmp "$hosts" "$work/new"
[ ! -e "$hosts.tirox-new" ] || { echo "the next rewrite left the temporary file" >&2; exit 1; }
echo "killed writer: $midwrite kills mid-rewrite, HOSTS always whole, leftovers cleared"
