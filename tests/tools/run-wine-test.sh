#!/usr/bin/env bash
# Runs one Windows test program under Wine in the tests' private prefix, bounded in time.
# Usage: run-wine-test.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
. "$here/../../tools/wine-env.sh"
exe=$1; shift
[ -f "$exe" ] || { echo "missing Windows test program: $exe (build the Windows tree first)" >&2; exit 1; }
prefix=$(realpath -m "${TIROX_WINEPREFIX:?TIROX_WINEPREFIX must name the Wine prefix}")
"$here/../../tools/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
exec timeout -k 10 "${TIROX_WINE_TIMEOUT:-300}" "$TIROX_WINE" "$exe" "$@"
