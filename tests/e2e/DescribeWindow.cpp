// Describes the program's window for the end-to-end tests, one fact per line:
//   windows N               top-level windows titled exactly like the program's window
//   window L T R B          its window rectangle (screen)
//   client X Y W H          its client area: screen origin and size
//   workarea L T R B        the primary monitor's work area
//   control ID X Y W H E    a control's place in the client area, its size, 1 if enabled
//   dlu A X Y W H           each argument A, "X,Y,W,H" in the template's dialog units, in pixels
//   line_height ID H        the height of a line of text in the (empty) log pane; only with the
//                           argument "lines"
//   font_height H           the character height of the template's font, 9 point "宋体"
//   dpi D                   the screen's DPI as this program is told it
//   foreground F            1 if the window is the foreground window
//   foreground_title T      the foreground window's title (UTF-8)
// Other arguments are dialog-unit rectangles for "dlu" lines.
// Exit status: 0 described, 2 no such window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/MainWindowTitle.h"

namespace {

constexpr int kControlIds[] = {1000, 1001, 1002};

std::wstring WindowTitle(HWND hwnd)
{
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    return title;
}

std::string ToUtf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

BOOL CALLBACK CountTitled(HWND hwnd, LPARAM count) noexcept
{
    if (WindowTitle(hwnd) == kMainWindowTitle) {
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

void PrintControl(HWND window, int id)
{
    const HWND control = GetDlgItem(window, id);
    if (control == nullptr) {
        std::printf("control %d missing\n", id);
        return;
    }
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
    std::printf("control %d %ld %ld %ld %ld %d\n", id, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, IsWindowEnabled(control) ? 1 : 0);
}

// The height of a line of text in the log pane, from where its second line starts. The pane must
// be empty (before a run); it is left empty again.
void PrintLineHeight(HWND window, int id)
{
    const HWND pane = GetDlgItem(window, id);
    if (pane == nullptr || GetWindowTextLengthW(pane) != 0) {
        return;
    }
    SetWindowTextW(pane, L"1\r\n2");
    const LRESULT first = SendMessageW(pane, EM_POSFROMCHAR, 0, 0);
    const LRESULT second = SendMessageW(pane, EM_POSFROMCHAR, 3, 0);
    SetWindowTextW(pane, L"");
    std::printf("line_height %d %d\n", id, static_cast<int>(HIWORD(second)) - static_cast<int>(HIWORD(first)));
}

// The screen's device context, released on scope exit.
class CScreenDC {
public:
    CScreenDC() noexcept : m_hdc(GetDC(nullptr)) {}
    ~CScreenDC() { ReleaseDC(nullptr, m_hdc); }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;
    HDC Get() const noexcept { return m_hdc; }

private:
    HDC m_hdc;
};

// A font selected into a device context; deselected and deleted on scope exit.
class CSelectedFont {
public:
    CSelectedFont(HDC hdc, HFONT font) noexcept : m_hdc(hdc), m_font(font), m_previous(SelectObject(hdc, font)) {}
    ~CSelectedFont()
    {
        SelectObject(m_hdc, m_previous);
        DeleteObject(m_font);
    }
    CSelectedFont(const CSelectedFont&) = delete;
    CSelectedFont& operator=(const CSelectedFont&) = delete;

private:
    HDC m_hdc;
    HFONT m_font;
    HGDIOBJ m_previous;
};

// The dialog's base units as the dialog manager derives them from the template's font,
// 9 point "宋体": the average width of the Latin letters and the character height.
SIZE DialogBaseUnits()
{
    const CScreenDC screen;
    const int height = -MulDiv(9, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    const CSelectedFont font(screen.Get(), CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                                       DEFAULT_CHARSET, 0, 0, 0, 0, L"\u5b8b\u4f53"));
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.Get(), &metrics);
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    GetTextExtentPoint32W(screen.Get(), letters, 52, &extent);
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

// "x,y,cx,cy" as four numbers; false for anything else.
bool ParseDialogUnits(const char* units, long (&fields)[4])
{
    for (int i = 0; i < 4; ++i) {
        char* pEnd = nullptr;
        fields[i] = std::strtol(units, &pEnd, 10);
        if (pEnd == units || *pEnd != (i < 3 ? ',' : '\0')) {
            return false;
        }
        units = pEnd + 1;
    }
    return true;
}

// Each field is mapped on its own, as the dialog manager places and sizes its controls.
void PrintDialogUnits(SIZE baseUnits, const char* units)
{
    long fields[4] = {};
    if (!ParseDialogUnits(units, fields)) {
        return;
    }
    const long x = fields[0], y = fields[1], cx = fields[2], cy = fields[3];
    std::printf("dlu %s %d %d %d %d\n", units, MulDiv(x, baseUnits.cx, 4), MulDiv(y, baseUnits.cy, 8),
                MulDiv(cx, baseUnits.cx, 4), MulDiv(cy, baseUnits.cy, 8));
}

// Rectangles and the DPI as the program, which declares itself DPI-aware, sees them: Windows
// gives a program that is not aware coordinates scaled to 96 DPI (Wine 8 does not, yet). Windows
// Vista and later have the call; the test runs only under Wine.
void BecomeDpiAware()
{
    using SetProcessDpiAwareFunction = BOOL(WINAPI*)();
    const auto setAware = reinterpret_cast<SetProcessDpiAwareFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")));
    if (setAware != nullptr) {
        setAware();
    }
}

} // namespace

int main(int argc, char** argv)
{
    BecomeDpiAware();
    bool lines = false;
    for (int i = 1; i < argc; ++i) {
        lines = lines || std::strcmp(argv[i], "lines") == 0;
    }
    int count = 0;
    EnumWindows(CountTitled, reinterpret_cast<LPARAM>(&count));
    std::printf("windows %d\n", count);
    const HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window == nullptr) {
        return 2;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    std::printf("workarea %ld %ld %ld %ld\n", workArea.left, workArea.top, workArea.right, workArea.bottom);
    for (int id : kControlIds) {
        PrintControl(window, id);
    }
    if (lines) {
        PrintLineHeight(window, 1001);
    }
    {
        const CScreenDC screen;
        std::printf("dpi %d\n", GetDeviceCaps(screen.Get(), LOGPIXELSY));
    }
    const SIZE baseUnits = DialogBaseUnits();
    std::printf("font_height %ld\n", baseUnits.cy);
    for (int i = 1; i < argc; ++i) {
        PrintDialogUnits(baseUnits, argv[i]);
    }
    const HWND foreground = GetForegroundWindow();
    std::printf("foreground %d\n", foreground == window ? 1 : 0);
    std::printf("foreground_title %s\n", foreground ? ToUtf8(WindowTitle(foreground)).c_str() : "");
    return 0;
}
