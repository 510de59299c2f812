#include "hosts/LockWait.h"

namespace {

using RtlGetLastNtStatusCall = LONG(WINAPI*)();
using RtlNtStatusToDosErrorCall = ULONG(WINAPI*)(LONG);

// ntdll is in every process; these are looked up, not loaded.
FARPROC NtdllCall(const char* szName)
{
    const HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    return hNtdll ? GetProcAddress(hNtdll, szName) : nullptr;
}

} // namespace

unsigned long LastNtStatus()
{
    static const auto getLastStatus = reinterpret_cast<RtlGetLastNtStatusCall>(
        reinterpret_cast<void (*)()>(NtdllCall("RtlGetLastNtStatus")));
    return getLastStatus ? static_cast<unsigned long>(getLastStatus()) : 0;
}

// RtlNtStatusToDosError keeps the status it converts as the thread's last one; it leaves the
// thread's last error alone.
void ClearLastNtStatus()
{
    static const auto toDosError = reinterpret_cast<RtlNtStatusToDosErrorCall>(
        reinterpret_cast<void (*)()>(NtdllCall("RtlNtStatusToDosError")));
    if (toDosError)
        static_cast<void>(toDosError(0));
}
