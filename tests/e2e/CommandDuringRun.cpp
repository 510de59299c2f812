// Plays another program on the desktop while a run goes on: waits until the run has begun (the
// log pane, empty until then, holds its first heading), then gives the window a command.
// Usage: CommandDuringRun.exe ACTION, where ACTION is
//   send-start    enables the start button again and sends its click (WM_COMMAND, BN_CLICKED)
//   post-start    enables the start button again and posts its click
//   enable-start  enables the start button again, for a real click by the caller
//   send-restore  sends the restore button's click
//   send-close    sends the close command (WM_COMMAND, IDCANCEL), as Escape or the close box do
// A sent command returns once the window has handled it.
// Exit status: 0 done, 1 bad usage, 2 no such window, 3 no such control, 5 the run did not begin
// in time, 6 the start button stayed disabled, 7 the command was not delivered.
#include <windows.h>

#include "tests/e2e/MainWindowTitle.h"

#include <cstring>

namespace {

constexpr int kStartId = 1000;
constexpr int kLogId = 1001;
constexpr int kRestoreId = 1002;
constexpr DWORD kRunBeginsWithinMs = 30000;
// The window answers only while the run pauses; a command that starts a second run inside the
// first returns after that whole run.
constexpr UINT kAnswerTimeoutMs = 60000;

// The log pane holds text: the run has written its first heading.
bool WaitForRunToBegin(HWND hLog)
{
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < kRunBeginsWithinMs) {
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(hLog, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length) && length > 0)
            return true;
        Sleep(50);
    }
    return false;
}

bool Deliver(HWND hDialog, WPARAM wParam, HWND hControl, bool bPost)
{
    const LPARAM lParam = reinterpret_cast<LPARAM>(hControl);
    if (bPost)
        return PostMessageW(hDialog, WM_COMMAND, wParam, lParam) != FALSE;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hDialog, WM_COMMAND, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &result) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 1;
    const char* szAction = argv[1];
    const bool bStart = std::strcmp(szAction, "send-start") == 0 || std::strcmp(szAction, "post-start") == 0 ||
                        std::strcmp(szAction, "enable-start") == 0;
    const bool bRestore = std::strcmp(szAction, "send-restore") == 0;
    const bool bClose = std::strcmp(szAction, "send-close") == 0;
    if (!bStart && !bRestore && !bClose)
        return 1;

    const HWND hDialog = FindWindowW(nullptr, kMainWindowTitle);
    if (!hDialog)
        return 2;
    const HWND hLog = GetDlgItem(hDialog, kLogId);
    const HWND hStart = GetDlgItem(hDialog, kStartId);
    const HWND hRestore = GetDlgItem(hDialog, kRestoreId);
    if (!hLog || !hStart || !hRestore)
        return 3;
    if (!WaitForRunToBegin(hLog))
        return 5;

    if (bClose)
        return Deliver(hDialog, MAKEWPARAM(IDCANCEL, 0), nullptr, false) ? 0 : 7;
    if (bRestore)
        return Deliver(hDialog, MAKEWPARAM(kRestoreId, BN_CLICKED), hRestore, false) ? 0 : 7;

    EnableWindow(hStart, TRUE);
    if (!IsWindowEnabled(hStart))
        return 6;
    if (std::strcmp(szAction, "enable-start") == 0)
        return 0;
    const bool bPost = std::strcmp(szAction, "post-start") == 0;
    return Deliver(hDialog, MAKEWPARAM(kStartId, BN_CLICKED), hStart, bPost) ? 0 : 7;
}
