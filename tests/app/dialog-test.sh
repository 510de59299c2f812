#!/usr/bin/env bash
# Runs the dialog's test program under Wine in a fresh prefix and a virtual display of its own,
# inside a network namespace with no route at all: its probe is scripted, and nothing it does
# could reach a network. It writes that prefix's HOSTS.
# Usage: dialog-test.sh OPTIMIZE_DLG_TESTS.exe
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$here/../..
exe=$(realpath "$1")
[ -f "$exe" ] || { echo "missing $exe (build the Windows tree first)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tirox-dialog.$$.XXXXXX")
cleanup() {
    WINEPREFIX=$work/prefix timeout 30 wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$root/tools/wine-env.sh"
"$root/tools/wine-prefix.sh" "$work/prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
timeout -k 10 240 unshare --net -- "$root/tests/tools/with-display.sh" --size 800x600x24 \
    "$TIROX_WINE" "$exe"
