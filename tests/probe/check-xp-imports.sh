#!/usr/bin/env bash
# Fails when the Windows probe library of the build named calls a function that the oldest
# Windows of its build lacks (win32 runs on XP..11, win64 on XP x64..11): the clock and address
# calls that are tempting here but came with Vista or later, so are missing on both.
# Usage: check-xp-imports.sh win32|win64 LIBRARY.a
set -euo pipefail
usage='usage: check-xp-imports.sh win32|win64 LIBRARY.a'
architecture=${1:?$usage}
library=${2:?$usage}
# Each build's object format, and how its objects name an imported function: 32-bit names carry
# a leading underscore and, for the stdcall Windows calls, @ and their arguments' size
# (__imp__GetTickCount@0); 64-bit names have neither (__imp_GetTickCount).
case $architecture in
  win32) format=pe-i386 import='__imp__\([A-Za-z0-9_]*\)\(@[0-9]*\)\{0,1\}' ;;
  win64) format=pe-x86-64 import='__imp_\([A-Za-z0-9_]*\)' ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
[ -f "$library" ] || { echo "missing Windows library: $library (build the Windows tree first)" >&2; exit 1; }
# The 64-bit binutils read the objects of both builds, so those of the other build are named.
if other=$(x86_64-w64-mingw32-objdump -a "$library" | sed -n 's/:[[:space:]]*file format / /p' | grep -v " $format\$"); then
  echo "not the $architecture build ($format): $library has $(paste -sd, - <<<"$other")" >&2
  exit 1
fi
newer='GetTickCount64|QueryUnbiasedInterruptTime|GetSystemTimePreciseAsFileTime|QueryInterruptTime'
newer+='|inet_pton|inet_ntop|InetPton[AW]|InetNtop[AW]|WSAPoll|if_nametoindex|if_indextoname'
newer+='|GetAddrInfoExW?|IcmpSendEcho2Ex|Icmp6CreateFile|CancelIoEx'
imports=$(x86_64-w64-mingw32-nm -u "$library" | sed -n "s/^ *U $import\$/\\1/p" | sort -u)
[ -n "$imports" ] || { echo "no imports found in $library" >&2; exit 1; }
if bad=$(grep -xE "$newer" <<<"$imports"); then
  echo "calls missing on Windows XP or XP x64: $bad" >&2
  exit 1
fi
echo "$architecture imports: $(tr '\n' ' ' <<<"$imports")"
