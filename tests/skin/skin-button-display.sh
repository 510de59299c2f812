#!/usr/bin/env bash
# Drives the skinned buttons of a test dialog with the real mouse, under Wine in a virtual
# display of its own and a fresh Wine prefix of its own.
# Usage: skin-button-display.sh SKIN_BUTTON_WINDOW.exe RES_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$here/../..
exe=$(realpath "$1")
res=$(realpath "$2")
[ -f "$exe" ] || { echo "missing $exe (build the Windows tree first)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tirox-skin.$$.XXXXXX")
cleanup() {
    WINEPREFIX=$work/prefix timeout 30 wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$root/tools/wine-env.sh"
"$root/tools/wine-prefix.sh" "$work/prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
timeout -k 10 240 "$root/tests/tools/with-display.sh" --size 800x600x24 \
    /usr/bin/python3 "$here/skin_button_display_test.py" "$exe" "$res" "$work"
