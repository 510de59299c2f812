#pragma once

#include "hosts/LockRetry.h"

#include <windows.h>

// The NT status of this thread's last failed system call: it tells what ReplaceFileW's own error
// codes hide (a lock, or something else). 0 where ntdll has no such call.
[[nodiscard]] unsigned long LastNtStatus();
// Forgets that status, so that a call failing without a system call is not judged by an older one.
void ClearLastNtStatus();

// Makes call (returning true on success, the reason in GetLastError otherwise) until it succeeds,
// fails for a reason that is not another process's handle, or the time for locks is up. The
// last error is the call's own on return.
template <typename Call>
[[nodiscard]] bool CallWaitingOutLocks(Call call)
{
    CLockRetry retry;
    const DWORD nStart = GetTickCount();
    for (;;) {
        ClearLastNtStatus();
        if (call())
            return true;
        const DWORD nError = GetLastError();
        if (!CLockRetry::IsBriefLock(nError, LastNtStatus()))
            return false;
        const unsigned nPause = retry.NextPause(GetTickCount() - nStart);
        if (nPause == 0) {
            SetLastError(nError);
            return false;
        }
        Sleep(nPause);
        SetLastError(nError);
    }
}
