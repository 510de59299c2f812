#!/usr/bin/env bash
# Runs COMMAND, a test that needs the 32-bit Wine, or skips it where the kernel cannot run a
# 32-bit program itself (Linux with its ia32 emulation switched off): Wine's 32-bit loader then
# fails with "Exec format error" before any test code runs, or, where an emulator was registered
# for such programs (qemu-i386 through binfmt_misc), runs slower by orders of magnitude than
# these timed tests allow. The exit status 77 is what CTest counts as skipped; the message says
# why, so a skipped run is never taken for a passed one.
# Usage: with-wine32.sh COMMAND [ARGS...]
set -u
loader=/usr/lib/wine/wine
skip() {
  echo "SKIPPED: $*, so the 32-bit Windows build cannot run under Wine here" >&2
  exit 77
}
"$loader" --version >/dev/null 2>&1
[ $? -eq 126 ] && skip "this machine's kernel cannot run 32-bit programs ($loader: Exec format error)"
# binfmt_misc entries come before the kernel's own ELF loader: one for i386 ELF files means an
# emulator runs them.
i386_magic=7f454c4601010100000000000000000002000300
for entry in /proc/sys/fs/binfmt_misc/*; do
  [ -f "$entry" ] || continue
  if grep -qx enabled "$entry" 2>/dev/null && grep -q "^magic $i386_magic" "$entry" 2>/dev/null; then
    skip "32-bit programs run here only through $(sed -n 's/^interpreter //p' "$entry")"
  fi
done
exec "$@"
