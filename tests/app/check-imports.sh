#!/usr/bin/env bash
# Fails unless the program is a 32-bit Windows GUI executable that imports only DLLs every
# Windows has, and no function that Windows XP lacks (it runs on XP..11).
# Usage: check-imports.sh TiroxOptimize.exe
set -euo pipefail
exe=${1:?usage: check-imports.sh TiroxOptimize.exe}
[ -f "$exe" ] || { echo "missing program: $exe (build the Windows tree first)" >&2; exit 1; }
headers=$(i686-w64-mingw32-objdump -p "$exe")
failed=0

grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit Windows executable" >&2; failed=1; }
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a GUI (WIN32 subsystem) program" >&2; failed=1; }
# Windows XP (5.1) will not start a program that asks for a newer subsystem version.
read -r major minor < <(awk '$1 == "MajorSubsystemVersion" { a = $2 } $1 == "MinorSubsystemVersion" { b = $2 }
                             END { print a + 0, b + 0 }' <<<"$headers")
if [ $((major * 100 + minor)) -gt 501 ]; then
  echo "asks for subsystem version $major.$minor; Windows XP has 5.1" >&2
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

# Functions that came with Windows Vista or later (or XP x64 / Server 2003 only).
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
  echo "calls missing on Windows XP: $(tr '\n' ' ' <<<"$bad")" >&2
  failed=1
fi
# Windows XP's msvcrt.dll has none of the bounds-checked "_s" functions.
if bad=$(grep -E '^msvcrt\.dll [A-Za-z0-9_]+_s$' <<<"$imports"); then
  echo "C library calls missing from Windows XP's msvcrt.dll: $(cut -d' ' -f2 <<<"$bad" | tr '\n' ' ')" >&2
  failed=1
fi

[ "$failed" = 0 ] || exit 1
echo "$(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')"
