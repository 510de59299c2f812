// Tells the language test what the running program's window shows, read through the
// wide-character calls and written as UTF-8.
//   WindowFacts facts   acp N (this process's ANSI code page), windows N (top-level windows
//                       titled "Tirox网络优化"), foreground 0|1, control ID L T R B (screen)
//   WindowFacts log     the text of the log pane (control 1001), bytes as UTF-8
// Exit status: 0 done, 2 no such window, 3 the window did not answer.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// "Tirox网络优化"
constexpr const wchar_t kTitle[] = L"Tirox\u7f51\u7edc\u4f18\u5316";
constexpr int kControlIds[] = {1000, 1001, 1002};
constexpr UINT kAnswerTimeoutMs = 5000;

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    return utf8;
}

BOOL CALLBACK CountTitled(HWND hWnd, LPARAM lParam) noexcept
{
    wchar_t title[64] = {};
    GetWindowTextW(hWnd, title, 64);
    if (std::wcscmp(title, kTitle) == 0) ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

int PrintFacts(HWND hWnd)
{
    int nWindows = 0;
    EnumWindows(CountTitled, reinterpret_cast<LPARAM>(&nWindows));
    std::printf("acp %u\nwindows %d\nforeground %d\n", GetACP(), nWindows, GetForegroundWindow() == hWnd ? 1 : 0);
    for (const int id : kControlIds) {
        RECT rc{};
        GetWindowRect(GetDlgItem(hWnd, id), &rc);
        std::printf("control %d %ld %ld %ld %ld\n", id, rc.left, rc.top, rc.right, rc.bottom);
    }
    return 0;
}

int PrintLog(HWND hWnd)
{
    const HWND hLog = GetDlgItem(hWnd, 1001);
    DWORD_PTR nLength = 0;
    if (!hLog || !SendMessageTimeoutW(hLog, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &nLength))
        return 3;
    std::wstring text(nLength + 1, L'\0');
    DWORD_PTR nCopied = 0;
    if (!SendMessageTimeoutW(hLog, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                             kAnswerTimeoutMs, &nCopied))
        return 3;
    text.resize(nCopied);
    const std::string utf8 = Utf8(text);
    _setmode(_fileno(stdout), _O_BINARY);
    const bool bWritten = std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size();
    return bWritten && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const HWND hWnd = FindWindowW(nullptr, kTitle);
    if (!hWnd) return 2;
    if (argc > 1 && std::strcmp(argv[1], "log") == 0) return PrintLog(hWnd);
    return PrintFacts(hWnd);
}
