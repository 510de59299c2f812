#!/usr/bin/env bash
# The test network leaves nothing behind after COMMAND ends (its status passed on) and after an
# interruption; a bad option runs nothing. Needs root.
set -euo pipefail
testnet=$(dirname "$(realpath "$0")")/with-testnet.sh
work=$(mktemp -d /tmp/tirox-testnet-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Nothing of the run whose client namespace was $1 is left: namespaces, responders, processes.
expect_gone() {
  local client=$1 name=${1%-c} ns
  for ns in "$client" "$name-g1" "$name-g2" "$name-g3"; do
    ip netns list | grep -qw -- "$ns" && fail "namespace $ns left after $2"
  done
  pgrep -f -- "--ready-file /tmp/$name\." >/dev/null && fail "responder of $name left after $2"
  compgen -G "/tmp/$name.*" >/dev/null && fail "work directory of $name left after $2"
  return 0
}

status=0
"$testnet" --delay 1=5 --silent 2 --foreign -- bash -c 'echo "$TIROX_NETNS" >"$1"; exit 7' _ "$work/ended" || status=$?
[ "$status" = 7 ] || fail "status $status instead of COMMAND's 7"
expect_gone "$(cat "$work/ended")" "the end of COMMAND"

"$testnet" -- bash -c 'echo "$TIROX_NETNS" >"$1"; exec sleep 60' _ "$work/interrupted" &
runner=$!
for _ in $(seq 100); do [ -s "$work/interrupted" ] && break; sleep 0.1; done
client=$(cat "$work/interrupted")
sleeper=$(ip netns pids "$client")
kill -TERM "$runner"
status=0
wait "$runner" || status=$?
[ "$status" = 143 ] || fail "status $status after SIGTERM instead of 143"
expect_gone "$client" "SIGTERM"
kill -0 "$sleeper" 2>/dev/null && fail "COMMAND still running after SIGTERM"

status=0
"$testnet" --delay 4=10 -- touch "$work/ran" 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "status $status for a bad group instead of 2"
[ ! -e "$work/ran" ] || fail "COMMAND ran despite a bad option"

[ "$failures" = 0 ] && echo "test network: cleaned up after the end and an interruption; bad option refused"
[ "$failures" = 0 ]
