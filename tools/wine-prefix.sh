#!/usr/bin/env bash
# Makes a private 32-bit Wine prefix at the given path (default build/wineprefix), once.
# Usage: tools/wine-prefix.sh [PREFIX]
set -euo pipefail
prefix=$(realpath -m "${1:-build/wineprefix}")
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A kernel with its ia32 emulation switched off refuses Wine's 32-bit loader outright.
status=0
/usr/lib/wine/wine --version >/dev/null 2>&1 || status=$?
if [ "$status" -eq 126 ]; then
  echo "wine-prefix: this machine's kernel cannot run 32-bit programs (/usr/lib/wine/wine:" \
       "Exec format error), so Wine cannot run the 32-bit program here" >&2
  exit 1
fi

# The dialogs ask for 宋体 (SimSun), which Wine lacks. AR PL SungtiL GB has SimSun's metrics
# (9 pt: 12 pixels high, 6 wide on average), so a dialog gets the size it has on Windows.
song_face="AR PL SungtiL GB"
has_song_face() { grep -q "=\"$song_face\"" "$prefix/user.reg" 2>/dev/null; }
add_song_face() {
  for face in SimSun 宋体; do
    LC_ALL=zh_CN.UTF-8 timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
      /v "$face" /t REG_SZ /d "$song_face" /f >/dev/null 2>&1
  done
}

if [ -f "$prefix/system.reg" ] && grep -q '^#arch=win32' "$prefix/system.reg"; then
  # A prefix made before the font mapping gets it now; the running server saves it.
  has_song_face || add_song_face
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
timeout 300 wineboot -i >/dev/null 2>&1
add_song_face
timeout 60 wineserver -w
test -f "$prefix/system.reg"
