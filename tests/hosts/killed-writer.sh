#!/usr/bin/env bash
# A rewrite killed at any moment leaves HOSTS with its old or its new content, never a mix.
# Killed while it writes, HOSTS is untouched and the temporary file is cleared by the next
# rewrite. Killed within the replace (Windows: HOSTS moved to its backup name, then the new file
# moved in), the backup holds the old content whole and the next rewrite puts it back before its
# edit. Each kill is classified by what is on disk right after it; the test fails when no kill
# landed mid-rewrite. Natively, or the Windows build under Wine.
# Usage: killed-writer.sh [--wine PREFIX] HOSTS_REWRITE_TOOL
set -euo pipefail
source "$(dirname "$0")/rewrite-tool.sh"
use_rewrite_tool "$@"
work=$(mktemp -d /tmp/tirox-killed.XXXXXX)
pid=
cleanup() {
  [ -z "$pid" ] || kill -9 "$pid" 2>/dev/null || true
  end_wine
  rm -rf "$work"
}
trap cleanup EXIT
hosts=$work/HOSTS
temporary=$hosts.tirox-new
backup=$hosts.tirox-old
# A Windows process's handles are closed by the Wine server after the process is gone.
settle=0
if [ -n "$wine_prefix" ]; then
  settle=0.3
  # One server for all rounds, so each start is quick.
  wineserver -p 2>/dev/null || true
fi

fail() { echo "$*" >&2; exit 1; }
is_old_or_new() { cmp -s "$1" "$work/old" || cmp -s "$1" "$work/new"; }

# LINES lines in normal form without the route hosts: restore gives them back byte for byte, so
# a whole HOSTS is always either "$work/old" or "$work/new".
make_contents() {
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) printf "0.0.0.0  ads%d.tracker.example\r\n", i }' >"$work/old"
  cp "$work/old" "$hosts"
  rewrite apply "$hosts"
  cp "$hosts" "$work/new"
  rewrite restore "$hosts"
  cmp "$hosts" "$work/old"
}

cycling=$work/cycling
apply_errors=$work/apply-errors
wait_cycling() {
  local deadline=$((SECONDS + 60))
  until printed "$cycling" cycling; do
    kill -0 "$pid" 2>/dev/null || fail "$phase, round $1: the rewrite loop ended before it began"
    [ $SECONDS -lt $deadline ] || fail "$phase, round $1: the rewrite loop did not start within 60 s"
    pause 0.01
  done
}

midwrite=0
midwrite_new=0
midreplace=0
hostsmissing=0
elsewhere=0
# after_random_delay MAX_MS: a delay of 30 ms to MAX_MS + 30 ms.
after_random_delay() {
  sleep "$(printf '0.%03d' $((RANDOM % $1 + 30)))"
}

# when_backup_seen: as soon as a replace has moved HOSTS to its backup name (or after 10 s). A
# random delay lands there in few rounds, since the two moves are a small part of each rewrite;
# the shell's own test, in a tight loop, sees the moment and the kill follows within
# microseconds, before or after the second move.
when_backup_seen() {
  local deadline=$((SECONDS + 10))
  until [ -e "$backup" ] || [ $SECONDS -ge $deadline ]; do :; done
  local spins=$((RANDOM % 100))
  while [ $((spins--)) -gt 0 ]; do :; done
}

# kill_rounds MAX_ROUNDS MAX_SECONDS COUNT ENOUGH WHEN...: kills a rewrite loop once the
# command WHEN... returns, until the count named COUNT reaches ENOUGH, or after MAX_ROUNDS or
# MAX_SECONDS.
kill_rounds() {
  local rounds=$1 count=$3 enough=$4 end=$((SECONDS + $2)) status round
  shift 4
  for round in $(seq 1 "$rounds"); do
    [ "$SECONDS" -lt "$end" ] && [ "${!count}" -lt "$enough" ] || break
    rewrite_in_background cycle "$hosts" >"$cycling"
    pid=$!
    # The wait counts from the loop's start: starting a Windows process takes longer than the
    # whole delay on a loaded machine, and the kill would then never land in a rewrite.
    wait_cycling "$round"
    "$@"
    kill -9 "$pid" 2>/dev/null || true
    status=0
    wait "$pid" 2>/dev/null || status=$?
    pid=
    [ "$status" -eq 137 ] || fail "$phase, round $round: the rewrite loop ended by itself (status $status) before the kill"

    # What the kill left, before anything else runs.
    [ ! -e "$hosts" ] || is_old_or_new "$hosts" || fail "$phase, round $round: HOSTS holds neither the old nor the new content"
    if [ -e "$backup" ] || [ ! -e "$hosts" ]; then
      [ -e "$backup" ] || fail "$phase, round $round: HOSTS is missing and no backup holds it"
      is_old_or_new "$backup" || fail "$phase, round $round: the backup holds neither the old nor the new content"
      midreplace=$((midreplace + 1))
      [ -e "$hosts" ] || hostsmissing=$((hostsmissing + 1))
    elif [ -e "$temporary" ]; then
      midwrite=$((midwrite + 1))
      cmp -s "$hosts" "$work/new" && midwrite_new=$((midwrite_new + 1))
    else
      elsewhere=$((elsewhere + 1))
    fi

    # The next rewrite starts from the whole old or new content (put back from the backup if
    # need be) and leaves nothing beside HOSTS.
    sleep "$settle"
    # A failure the tool does not report itself (Wine's own) is told by Wine's errors.
    status=0
    WINEDEBUG=err+all rewrite apply "$hosts" 2>"$apply_errors" || status=$?
    [ "$status" -eq 0 ] ||
      fail "$phase, round $round: the rewrite after the kill failed (status $status): $(cat "$apply_errors")"
    cmp -s "$hosts" "$work/new" || fail "$phase, round $round: the rewrite after the kill did not start from the whole file"
    leftovers=$(ls -A "$work" | grep -vx -e HOSTS -e old -e new -e cycling -e apply-errors || true)
    [ -z "$leftovers" ] || fail "$phase, round $round: left beside HOSTS after the next rewrite: $leftovers"
  done
}

# A file of tens of MB: most kills land while the new file is written and flushed.
phase="large file"
make_contents 600000
kill_rounds 40 200 midwrite 10 after_random_delay 700
# A small file: the two moves of the replace take a good part of each rewrite. A rename is one
# step natively: nothing is ever mid-replace there.
if [ -n "$wine_prefix" ]; then
  phase="small file"
  make_contents 300
  kill_rounds 200 200 midreplace 10 when_backup_seen
fi

echo "killed mid-write: $midwrite; HOSTS whole each time (old content $((midwrite - midwrite_new))," \
     "new $midwrite_new); the next rewrite removed the temporary file and made the edit"
[ -z "$wine_prefix" ] ||
  echo "killed mid-replace: $midreplace; the backup whole each time; HOSTS missing in" \
       "$hostsmissing, put back whole by the next rewrite; in the others HOSTS was whole and the" \
       "next rewrite removed the backup"
echo "killed between rewrites: $elsewhere"
[ "$midwrite" -gt 0 ] || fail "no kill landed mid-write; nothing was tested"
[ -z "$wine_prefix" ] || [ "$midreplace" -gt 0 ] || fail "no kill landed mid-replace; the replace was not tested"
