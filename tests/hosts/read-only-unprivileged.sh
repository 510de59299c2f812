#!/usr/bin/env bash
# Runs the read-only HOSTS test as an unprivileged user (nobody, no capabilities): root writes
# read-only files regardless, so the plain run skips it.
# Usage: read-only-unprivileged.sh HOSTS_TESTS_PROGRAM
set -euo pipefail
program=$1
work=$(mktemp -d /tmp/tirox-readonly.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The build tree may not be reachable for another user: run a copy.
cp "$program" "$work/hosts_tests"
mkdir "$work/tmp"
chown 65534:65534 "$work/tmp"
chmod 755 "$work"

output=$(TMPDIR="$work/tmp" setpriv --reuid 65534 --regid 65534 --clear-groups --inh-caps=-all \
  "$work/hosts_tests" --gtest_filter='HostsFileTest.ReadOnlyFileIsAFailure' 2>&1) || {
  echo "$output"; exit 1; }
echo "$output"
if grep -q 'SKIPPED' <<<"$output"; then
  echo "the read-only test was skipped even as an unprivileged user" >&2
  exit 1
fi
