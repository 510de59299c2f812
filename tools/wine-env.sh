# Which Windows build this machine runs under Wine, and the Wine that runs it (sourced, bash).
#
# The 32-bit program, what XP and 32-bit Windows get, runs where the kernel runs 32-bit code;
# on a kernel with its ia32 emulation switched off Wine's 32-bit loader fails with "Exec format
# error", and the 64-bit program, what 64-bit Windows gets, runs under wine64 instead.
# TIROX_WINE_ARCH (win32 or win64), when already set, chooses; otherwise the 32-bit build where
# it runs, else the 64-bit one. Sourcing sets:
#   TIROX_WINE_ARCH   win32 or win64
#   TIROX_WINE        the Wine loader for that build (Debian's /usr/bin/wine picks the 32-bit
#                     loader whenever wine32 is installed, so it is never called by that name)
#   WINEARCH, WINELOADER (exported; Wine starts its own programs through WINELOADER)
# and the function tirox_wine_unusable, which prints why that build cannot run here (nothing,
# with status 1, where it can).

TIROX_WINE32_LOADER=/usr/lib/wine/wine
TIROX_WINE64_LOADER=/usr/lib/wine/wine64

# tirox_wine_unusable ARCH: the reason ARCH's programs cannot run under Wine here, if any.
tirox_wine_unusable() {
  local loader=$TIROX_WINE32_LOADER status=0
  [ "$1" = win64 ] && loader=$TIROX_WINE64_LOADER
  [ -x "$loader" ] || { echo "$loader is not installed"; return 0; }
  "$loader" --version >/dev/null 2>&1 || status=$?
  if [ "$status" -eq 126 ]; then
    echo "this machine's kernel cannot run $([ "$1" = win64 ] && echo 64 || echo 32)-bit programs ($loader: Exec format error)"
    return 0
  fi
  [ "$status" -eq 0 ] || { echo "$loader --version failed (status $status)"; return 0; }
  [ "$1" = win32 ] || return 1
  # binfmt_misc entries come before the kernel's own ELF loader: one for i386 ELF files means an
  # emulator runs them, slower by orders of magnitude than the timed tests allow.
  local entry i386_magic=7f454c4601010100000000000000000002000300
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    if grep -qx enabled "$entry" 2>/dev/null && grep -q "^magic $i386_magic" "$entry" 2>/dev/null; then
      echo "32-bit programs run here only through $(sed -n 's/^interpreter //p' "$entry")"
      return 0
    fi
  done
  return 1
}

if [ -z "${TIROX_WINE_ARCH:-}" ]; then
  if tirox_wine_unusable win32 >/dev/null; then
    TIROX_WINE_ARCH=win64
  else
    TIROX_WINE_ARCH=win32
  fi
fi
case "$TIROX_WINE_ARCH" in
  win32) TIROX_WINE=$TIROX_WINE32_LOADER ;;
  win64) TIROX_WINE=$TIROX_WINE64_LOADER ;;
  *) echo "wine-env: TIROX_WINE_ARCH must be win32 or win64, not '$TIROX_WINE_ARCH'" >&2; return 2 ;;
esac
export TIROX_WINE_ARCH TIROX_WINE WINEARCH=$TIROX_WINE_ARCH WINELOADER=$TIROX_WINE
