#!/usr/bin/env bash
# Fails unless the program is a Windows GUI executable of the build named (win32: 32-bit, for
# XP..11; win64: 64-bit, for XP x64..11) that imports only DLLs every Windows has, and no
# function that the oldest Windows of its build lacks.
# Usage: check-imports.sh win32|win64 TiroxOptimize.exe
set -euo pipefail
usage='usage: check-imports.sh win32|win64 TiroxOptimize.exe'
architecture=${1:?$usage}
exe=${2:?$usage}
# The file format each build must have, and the oldest Windows it runs on with the subsystem
# version that Windows has: a newer version in the header and its loader refuses the program.
case $architecture in
  win32) format=pei-i386 oldest='Windows XP' oldest_version=5.1 ;;
  win64) format=pei-x86-64 oldest='Windows XP x64 (Server 2003)' oldest_version=5.2 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
[ -f "$exe" ] || { echo "missing program: $exe (build the Windows tree first)" >&2; exit 1; }
# The 64-bit objdump reads both formats, so a file of the other build is named, not refused.
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
failed=0

actual=$(sed -n 's/.*file format \([^[:space:]]*\).*/\1/p' <<<"$headers" | head -n 1)
[ "$actual" = "$format" ] || { echo "$exe is $actual, not the $architecture build ($format)" >&2; failed=1; }
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a GUI (WIN32 subsystem) program" >&2; failed=1; }
read -r major minor < <(awk '$1 == "MajorSubsystemVersion" { a = $2 } $1 == "MinorSubsystemVersion" { b = $2 }
                             END { print a + 0, b + 0 }' <<<"$headers")
if [ $((major * 100 + minor)) -gt $((${oldest_version%.*} * 100 + ${oldest_version#*.})) ]; then
  echo "asks for subsystem version $major.$minor; $oldest has $oldest_version" >&2
  failed=1
fi

# GDI+ (the pictures of the larger display scales) is loaded at run time, not imported: a system
# where it cannot be found still starts the program.

# "DLL function" for every import, from the import tables of objdump -p.
imports=$(awk '
  /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
  /^[[:space:]]*$/ { dll = "" }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print dll, $3 }
' <<<"$headers")
[ -n "$imports" ] || { echo "no imports found in $exe" >&2; exit 1; }

system_dlls='kernel32\.dll|user32\.dll|gdi32\.dll|ws2_32\.dll|wsock32\.dll|msvcrt\.dll|advapi32\.dll|comctl32\.dll|shell32\.dll|ole32\.dll'
if bad=$(cut -d' ' -f1 <<<"$imports" | sort -u | grep -vxE "$system_dlls"); then
  echo "imports DLLs that are not part of Windows: $(tr '\n' ' ' <<<"$bad")" >&2
  failed=1
fi

# Functions that came with Windows Vista or later (or XP x64 / Server 2003 only). The same list
# holds for the 64-bit build: its oldest Windows, XP x64, is Server 2003 underneath, older than
# Vista; and the few calls that came with Server 2003 stay out too, because both builds come from
# the same sources and the 32-bit one runs on XP, which lacks them.
newer='GetTickCount64|InitializeSRWLock|(Acquire|Release|TryAcquire)SRWLock(Exclusive|Shared)'
newer+='|InitializeConditionVariable|SleepConditionVariable(CS|SRW)|Wake(All)?ConditionVariable'
newer+='|InitOnce(ExecuteOnce|BeginInitialize|Complete|Initialize)|InitializeCriticalSectionEx'
newer+='|Fls(Alloc|Free|GetValue|SetValue)|Create(Event|Mutex|Semaphore|WaitableTimer)Ex[AW]'
newer+='|GetFinalPathNameByHandle[AW]|GetFileInformationByHandleEx|SetFileInformationByHandle'
newer+='|CreateSymbolicLink[AW]|CreateFile2|CancelIoEx|GetQueuedCompletionStatusEx|CopyFile2'
newer+='|SetDefaultDllDirectories|AddDllDirectory|RemoveDllDirectory|SetDllDirectory[AW]'
newer+='|QueryFullProcessImageName[AW]|GetThreadId|GetProcessIdOfThread|GetErrorMode|GetProductInfo'
newer+='|GetSystemTimePreciseAsFileTime|QueryUnbiasedInterruptTime|QueryThreadCycleTime'
newer+='|(GetLocaleInfo|CompareString|LCMapString|GetDateFormat|GetTimeFormat)Ex|LocaleNameToLCID|LCIDToLocaleName'
newer+='|GetUserDefaultLocaleName|ResolveLocaleName|Wow64DisableWow64FsRedirection|Wow64RevertWow64FsRedirection'
newer+='|RegGetValue[AW]|RegDeleteTree[AW]|RegSetKeyValue[AW]|SHGetKnownFolderPath|TaskDialog(Indirect)?'
newer+='|ChangeWindowMessageFilter(Ex)?|SetProcessDPIAware|SetProcessDpiAwareness(Context)?|GetDpiFor(Window|System)'
newer+='|(Add|Remove)ClipboardFormatListener|ShutdownBlockReason(Create|Destroy)|GetWindowDisplayAffinity'
newer+='|inet_pton|inet_ntop|InetPton[AW]|InetNtop[AW]|WSAPoll|if_nametoindex|if_indextoname|GetAddrInfoEx[AW]?'
if bad=$(cut -d' ' -f2 <<<"$imports" | grep -xE "$newer"); then
  echo "calls missing on Windows XP or XP x64: $(tr '\n' ' ' <<<"$bad")" >&2
  failed=1
fi
# The msvcrt.dll of Windows XP and of Server 2003 (XP x64's) has none of the bounds-checked "_s"
# functions.
if bad=$(grep -E '^msvcrt\.dll [A-Za-z0-9_]+_s$' <<<"$imports"); then
  echo "C library calls missing from the msvcrt.dll of Windows XP and XP x64: $(cut -d' ' -f2 <<<"$bad" | tr '\n' ' ')" >&2
  failed=1
fi

[ "$failed" = 0 ] || exit 1
echo "$architecture, subsystem version $major.$minor: $(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')"
