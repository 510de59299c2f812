// Writes the text of the log pane (control 1001) of the program's window to standard output,
// byte for byte as the ANSI code page gives it (GBK under a Chinese locale).
// Exit status: 0 written, 2 no such window, 3 no log pane, 4 the window did not answer in time
// (during a run it answers only while the run pauses).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <vector>

#include "tests/e2e/MainWindowTitle.h"

namespace {

constexpr int kLogPaneId = 1001;

constexpr UINT kAnswerTimeoutMs = 5000;

[[nodiscard]] bool SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    return SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, result) != 0;
}

[[nodiscard]] bool ReadWindowTextA(HWND hwnd, std::vector<char>& text)
{
    DWORD_PTR length = 0;
    if (!SendWithTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0, &length)) {
        return false;
    }
    // The ANSI length may be reported in characters; double it for double-byte texts.
    text.resize(length * 2 + 2);
    DWORD_PTR copied = 0;
    if (!SendWithTimeout(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        return false;
    }
    text.resize(copied);
    return true;
}

} // namespace

int main()
{
    const HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window == nullptr) {
        return 2;
    }
    const HWND logPane = GetDlgItem(window, kLogPaneId);
    if (logPane == nullptr) {
        return 3;
    }
    std::vector<char> text;
    if (!ReadWindowTextA(logPane, text)) {
        return 4;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    const bool bWritten = fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return bWritten && fflush(stdout) == 0 ? 0 : 1;
}
