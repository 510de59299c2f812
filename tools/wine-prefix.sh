#!/usr/bin/env bash
# Makes a private Wine prefix at the given path (default build/wineprefix), once, for the Windows
# build this machine runs (tools/wine-env.sh: a 32-bit prefix for the 32-bit program, a 64-bit
# one for the 64-bit program).
# Usage: tools/wine-prefix.sh [PREFIX]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
. "$here/wine-env.sh"
prefix=$(realpath -m "${1:-build/wineprefix}")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if reason=$(tirox_wine_unusable "$TIROX_WINE_ARCH"); then
  echo "wine-prefix: $reason, so Wine cannot run the $TIROX_WINE_ARCH program here" >&2
  exit 1
fi

# The dialogs ask for 宋体 (SimSun), which Wine lacks. AR PL SungtiL GB has SimSun's metrics
# (9 pt: 12 pixels high, 6 wide on average), so a dialog gets the size it has on Windows.
song_face="AR PL SungtiL GB"
has_song_face() { grep -q "=\"$song_face\"" "$prefix/user.reg" 2>/dev/null; }
add_song_face() {
  for face in SimSun 宋体; do
    LC_ALL=zh_CN.UTF-8 timeout 60 "$TIROX_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
      /v "$face" /t REG_SZ /d "$song_face" /f >/dev/null 2>&1
  done
}

# Wine's own fonts (fonts-wine) are not listed in a prefix made here unless they are in its
# Fonts folder: without Marlett the caption's close box is drawn as the letter "r".
wine_fonts=(marlett.ttf symbol.ttf tahoma.ttf tahomabd.ttf)
has_wine_fonts() {
  local font
  for font in "${wine_fonts[@]}"; do
    [ -f "$prefix/drive_c/windows/Fonts/$font" ] || return 1
  done
}
add_wine_fonts() {
  local font
  for font in "${wine_fonts[@]}"; do
    [ -f "/usr/share/wine/fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/"
  done
  return 0
}

# Wine's prefix shows keyboard cues always (UserPreferencesMask bit 0x20); Windows hides them
# until a key is used in a window, unless the user asks otherwise. The prefix gets Windows'
# default, so a window looks as a mouse user sees it on Windows.
cues_mask="10,00,02,80,12,00,00,00"
has_windows_cues() { grep -q "^\"UserPreferencesMask\"=hex:$cues_mask" "$prefix/user.reg" 2>/dev/null; }
set_windows_cues() {
  timeout 60 "$TIROX_WINE" reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask \
    /t REG_BINARY /d "${cues_mask//,/}" /f >/dev/null 2>&1
}

is_prefix() { [ -f "$1/system.reg" ] && grep -q "^#arch=$TIROX_WINE_ARCH" "$1/system.reg"; }

# clear_place: nothing at $prefix, and its parent directory made.
clear_place() {
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
}

# make_new_prefix: boots $prefix from nothing (about 12 s and 7 s of CPU on an idle machine).
make_new_prefix() {
  clear_place
  timeout 300 "$TIROX_WINE" wineboot -i >/dev/null 2>&1
  add_wine_fonts
  add_song_face
  set_windows_cues
  timeout 60 wineserver -w
  is_prefix "$prefix"
}

# TIROX_PREFIX_TEMPLATE, when set, names a prefix that is booted once (by the first caller, under
# a lock) and copied for each new prefix: a test run needs a score of fresh prefixes, and a copy
# takes a fraction of a second. Only a template in a directory of the caller's own is used: one
# another user made is not trusted, and Wine refuses a prefix its user does not own.
template=${TIROX_PREFIX_TEMPLATE:-}
if ! is_prefix "$prefix" && [ -n "$template" ] && mkdir -p "$(dirname "$template")" 2>/dev/null &&
   [ -O "$(dirname "$template")" ]; then
  template=$(realpath -m "$template")
  (
    flock 9
    if [ ! -f "$template/.complete" ] || ! is_prefix "$template"; then
      prefix=$template WINEPREFIX=$template
      make_new_prefix
      touch "$template/.complete"
    fi
  ) 9>"$template.lock"
  clear_place
  cp -a "$template" "$prefix"
  rm "$prefix/.complete"
fi

if is_prefix "$prefix"; then
  # A prefix made before the font mapping or the fonts gets them now; the running server saves it.
  has_song_face || add_song_face
  has_wine_fonts || add_wine_fonts
  has_windows_cues || set_windows_cues
  exit 0
fi
make_new_prefix
