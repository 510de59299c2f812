#!/usr/bin/env bash
# Fails when the Windows probe library calls a function that Windows XP lacks (the program runs
# on XP..11): the clock and address calls that are tempting here but came with Vista or later.
# Usage: check-xp-imports.sh LIBRARY.a
set -euo pipefail
library=$1
[ -f "$library" ] || { echo "missing Windows library: $library (build the Windows tree first)" >&2; exit 1; }
newer='GetTickCount64|QueryUnbiasedInterruptTime|GetSystemTimePreciseAsFileTime|QueryInterruptTime'
newer+='|inet_pton|inet_ntop|InetPton[AW]|InetNtop[AW]|WSAPoll|if_nametoindex|if_indextoname'
newer+='|GetAddrInfoExW?|IcmpSendEcho2Ex|Icmp6CreateFile|CancelIoEx'
imports=$(i686-w64-mingw32-nm -u "$library" | sed -n 's/^ *U __imp__\([A-Za-z0-9_]*\)\(@[0-9]*\)\{0,1\}$/\1/p' | sort -u)
[ -n "$imports" ] || { echo "no imports found in $library" >&2; exit 1; }
if bad=$(grep -xE "$newer" <<<"$imports"); then
  echo "calls missing on Windows XP: $bad" >&2
  exit 1
fi
echo "imports: $(tr '\n' ' ' <<<"$imports")"
