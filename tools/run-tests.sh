#!/usr/bin/env bash
# Runs the tests of the native build through CTest, then says in its last lines which Windows
# build the Wine tests ran and, where any test was skipped, how many and why: a run with skipped
# tests is no proof of what they test.
# Usage: tools/run-tests.sh NATIVE_BUILD_DIR [CTEST OPTIONS...]
set -uo pipefail
here=$(dirname "$(realpath "$0")")
native=${1:?usage: tools/run-tests.sh NATIVE_BUILD_DIR [CTEST OPTIONS...]}
shift
. "$here/wine-env.sh"
# Every fresh Wine prefix of the run is a copy of one booted once (tools/wine-prefix.sh).
export TIROX_PREFIX_TEMPLATE=${TIROX_PREFIX_TEMPLATE:-$(dirname "$(realpath -m "$native")")/wineprefix-template}
status=0
ctest --test-dir "$native" "$@" || status=$?

log=$native/Testing/Temporary/LastTest.log
echo
if reason=$(tirox_wine_unusable "$TIROX_WINE_ARCH"); then
  echo "tests: the Windows build cannot run under Wine here: $reason"
else
  echo "tests: the Wine tests ran the $TIROX_WINE_ARCH program ($TIROX_WINE)"
fi
# CTest records each test's output; a skipped one ends with "Test Skipped" and says why.
skipped=$(awk '
  / Testing: / { name = $NF }
  /^SKIPPED: / { why[name] = substr($0, 10) }
  /Test Skipped/ { print name ": " (name in why ? why[name] : "no reason given") }
' "$log" 2>/dev/null)
if [ -n "$skipped" ]; then
  echo "tests: $(wc -l <<<"$skipped") skipped, so not proven here:"
  sed 's/^/  /' <<<"$skipped"
else
  echo "tests: none skipped"
fi
exit "$status"
