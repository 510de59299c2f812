#!/usr/bin/env bash
# Runs COMMAND, a test that needs the 32-bit Wine, or skips it where the kernel cannot run a
# 32-bit program at all (Linux with its ia32 emulation switched off): Wine's 32-bit loader then
# fails with "Exec format error" before any test code runs. The exit status 77 is what CTest
# counts as skipped; the message says why, so a skipped run is never taken for a passed one.
# Usage: with-wine32.sh COMMAND [ARGS...]
set -u
loader=/usr/lib/wine/wine
"$loader" --version >/dev/null 2>&1
if [ $? -eq 126 ]; then
  echo "SKIPPED: this machine's kernel cannot run 32-bit programs ($loader: Exec format error)," \
       "so the 32-bit Windows build cannot run under Wine here" >&2
  exit 77
fi
exec "$@"
