// Does to the program's log pane (control 1001) what another program on the desktop can do, and
// reports what the pane holds, for the end-to-end tests of the log:
//   fill N          replaces the pane's text with N characters of numbered lines (WM_SETTEXT,
//                   which no edit limit stops)
//   select S E      selects characters S to E (EM_SETSEL; S = E puts the caret there)
//   selection       prints "S E", the pane's selection
//   end-visible     prints 1 when the pane's last line is in view, else 0
// Exit status: 0 done, 1 bad arguments, 2 no such window, 3 no log pane, 4 no answer in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/MainWindowTitle.h"

namespace {

constexpr int kLogPaneId = 1001;
constexpr UINT kAnswerTimeoutMs = 5000;

[[nodiscard]] bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    return SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, result) != 0;
}

// Lines of 40 characters, "filler 00001 ..." and CR LF, cut to the length.
std::wstring FillerText(size_t length)
{
    std::wstring text;
    text.reserve(length + 64);
    for (unsigned line = 1; text.size() < length; ++line) {
        wchar_t buffer[64];
        (void)std::swprintf(buffer, 64, L"filler %05u .............................\r\n", line);
        text += buffer;
    }
    text.resize(length);
    return text;
}

// The last line is in view when the place of its first character lies inside the client area.
[[nodiscard]] bool PrintEndVisible(HWND pane)
{
    DWORD_PTR lines = 0;
    DWORD_PTR lineStart = 0;
    DWORD_PTR place = 0;
    if (!Send(pane, EM_GETLINECOUNT, 0, 0, &lines) || !Send(pane, EM_LINEINDEX, lines - 1, 0, &lineStart)
        || !Send(pane, EM_POSFROMCHAR, lineStart, 0, &place)) {
        return false;
    }
    RECT client{};
    GetClientRect(pane, &client);
    const int y = static_cast<short>(HIWORD(place));
    std::printf("%d\n", y >= 0 && y < client.bottom ? 1 : 0);
    return true;
}

int Run(HWND pane, int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    DWORD_PTR result = 0;
    if (command == "fill" && argc == 3) {
        const std::wstring text = FillerText(std::strtoul(argv[2], nullptr, 10));
        return Send(pane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) ? 0 : 4;
    }
    if (command == "select" && argc == 4) {
        return Send(pane, EM_SETSEL, std::strtoul(argv[2], nullptr, 10), std::strtol(argv[3], nullptr, 10), &result)
            ? 0 : 4;
    }
    if (command == "selection" && argc == 2) {
        // The pane lives in another process, where EM_GETSEL's pointers would not reach: the
        // result's two words hold the positions, which the tests keep below 65536.
        if (!Send(pane, EM_GETSEL, 0, 0, &result)) return 4;
        std::printf("%u %u\n", static_cast<unsigned>(LOWORD(result)), static_cast<unsigned>(HIWORD(result)));
        return 0;
    }
    if (command == "end-visible" && argc == 2) {
        return PrintEndVisible(pane) ? 0 : 4;
    }
    (void)std::fprintf(stderr, "usage: LogPaneControl fill N | select S E | selection | end-visible\n");
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window == nullptr) {
        return 2;
    }
    const HWND pane = GetDlgItem(window, kLogPaneId);
    if (pane == nullptr) {
        return 3;
    }
    return Run(pane, argc, argv);
}
