#!/usr/bin/env bash
# Makes a private 32-bit Wine prefix at the given path (default build/wineprefix), once.
# Usage: tools/wine-prefix.sh [PREFIX]
set -euo pipefail
prefix=$(realpath -m "${1:-build/wineprefix}")
if [ -f "$prefix/system.reg" ] && grep -q '^#arch=win32' "$prefix/system.reg"; then
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
timeout 300 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w
test -f "$prefix/system.reg"
