#include "app/OptimizeDlg.h"

#include "app/WideText.h"
#include "app/resource.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsPath.h"
#include "optimize/OptimizeRun.h"
#include "optimize/RouteTables.h"
#include "probe/IcmpProbe.h"
#include "skin/DisplayScale.h"
#include "skin/MemoryDC.h"
#include "skin/PaintDC.h"
#include "skin/PictureLoader.h"
#include "skin/ScopedSelect.h"
#include "skin/ScreenDC.h"
#include "skin/SkinLayout.h"

#include <exception>

namespace {

// "\r\n网络设置已恢复"
constexpr const char kRestoredText[] =
    "\r\n\xcd\xf8\xc2\xe7\xc9\xe8\xd6\xc3\xd2\xd1\xbb\xd6\xb8\xb4";
// "\r\n无法修改HOSTS文件，网络设置未恢复"
constexpr const char kRestoreFailedText[] =
    "\r\n\xce\xde\xb7\xa8\xd0\xde\xb8\xc4" "HOSTS" "\xce\xc4\xbc\xfe\xa3\xac"
    "\xcd\xf8\xc2\xe7\xc9\xe8\xd6\xc3\xce\xb4\xbb\xd6\xb8\xb4";

HINSTANCE ProgramInstance() noexcept
{
    return GetModuleHandleW(nullptr);
}

// Hands one pending paint message to its window and leaves every other message queued; false
// when none was pending.
bool DispatchPaintMessage() noexcept
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) return false;
    DispatchMessageW(&msg);
    return true;
}

// The DPI that Windows tells the program, the same for the whole screen: the user's setting on
// Windows XP and 7, the primary monitor's scale on 8.1 and later for a DPI-aware program.
int SystemDpi() noexcept
{
    const CScreenDC screen;
    return screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : CDisplayScale::kBaseDpi;
}

void MoveControl(HWND hControl, const SkinRect& rect) noexcept
{
    SetWindowPos(hControl, nullptr, rect.x, rect.y, rect.cx, rect.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Gives the window a client area of the size, keeping its frame and its place.
void SetClientSize(HWND hWnd, const SkinSize& size) noexcept
{
    RECT rcWindow{};
    RECT rcClient{};
    if (!GetWindowRect(hWnd, &rcWindow) || !GetClientRect(hWnd, &rcClient))
        return;
    const int cx = rcWindow.right - rcWindow.left + size.cx - rcClient.right;
    const int cy = rcWindow.bottom - rcWindow.top + size.cy - rcClient.bottom;
    SetWindowPos(hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The commands the dialog carries out: the buttons' clicks, OK and Cancel. The log pane's
// notifications are none of them.
bool IsDialogCommand(WORD nID, WORD nCode) noexcept
{
    if (nID == IDOK || nID == IDCANCEL) return true;
    return nCode == BN_CLICKED && (nID == IDC_START || nID == IDC_RESTORE);
}

// The most an edit control takes on Windows NT; the program needs XP or later.
constexpr std::size_t kMaxLogLimit = 0x7FFFFFFE;

struct LogSelection {
    DWORD dwStart;
    DWORD dwEnd;
};

LogSelection GetLogSelection(HWND hEdit) noexcept
{
    LogSelection selection{0, 0};
    SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&selection.dwStart),
                 reinterpret_cast<LPARAM>(&selection.dwEnd));
    return selection;
}

bool IsPictureText(UINT nID) noexcept
{
    return nID == IDC_STEP1 || nID == IDC_STEP2 || nID == IDC_STEP3 || nID == IDC_HINT || nID == IDC_LOG_HEADING;
}

}  // namespace

COptimizeDlg::COptimizeDlg() noexcept
    : CModalDialog(IDD_OPTIMIZE_DIALOG),
      m_hIcon(LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_run(*this, m_routeTable1, m_routeTable2, m_routeTable3)
{
}

bool COptimizeDlg::DoDataExchange() noexcept
{
    const HWND hWnd = GetSafeHwnd();
    if (!m_btnRestore.SubclassDlgItem(IDC_RESTORE, hWnd)) return false;
    m_editLog = GetDlgItem(hWnd, IDC_LOG);
    if (!m_editLog) return false;
    return m_btnStart.SubclassDlgItem(IDC_START, hWnd);
}

BOOL COptimizeDlg::OnInitDialog() noexcept
{
    try {
        if (!DoDataExchange()) {
            EndDialog(-1);
            return FALSE;
        }
        LayOutForDisplayScale();
        BuildRouteTables();
    } catch (const std::exception&) {
        // Without its route tables the window could only offer commands it cannot carry out.
        EndDialog(-1);
        return FALSE;
    }
    SetForegroundWindow(GetSafeHwnd());
    return TRUE;
}

void COptimizeDlg::BuildRouteTables()
{
    FillRouteTables(m_routeTable1, m_routeTable2, m_routeTable3);
}

// The window is the 96-DPI one times the display scale, whatever the dialog font's metrics made
// of the template, so that the controls sit on their places in the background picture; the
// pictures are those drawn for the scale. The log pane keeps the dialog font, made for the DPI.
void COptimizeDlg::LayOutForDisplayScale()
{
    const CDisplayScale scale(SystemDpi());
    const CSkinLayout layout(scale);
    SetClientSize(GetSafeHwnd(), layout.Client());
    const SkinRect start = layout.StartButton();
    const SkinRect restore = layout.RestoreButton();
    MoveControl(m_btnStart.GetSafeHwnd(), start);
    MoveControl(m_editLog, layout.LogPane());
    MoveControl(m_btnRestore.GetSafeHwnd(), restore);
    LayOutPictureTexts(layout);

    CPictureLoader pictures(scale);
    const SkinSize background = layout.Background();
    m_bmpBackground.Reset(pictures.Load(IDB_BACKGROUND, background.cx, background.cy));
    // The buttons size themselves to their normal pictures.
    m_btnStart.SetBitmaps(pictures.Load(IDB_START_NORMAL, start.cx, start.cy),
                          pictures.Load(IDB_START_HOVER, start.cx, start.cy),
                          pictures.Load(IDB_START_PRESSED, start.cx, start.cy),
                          pictures.Load(IDB_START_PRESSED, start.cx, start.cy));
    m_btnRestore.SetBitmaps(pictures.Load(IDB_RESTORE_NORMAL, restore.cx, restore.cy),
                            pictures.Load(IDB_RESTORE_HOVER, restore.cx, restore.cy),
                            pictures.Load(IDB_RESTORE_NORMAL, restore.cx, restore.cy),
                            pictures.Load(IDB_RESTORE_NORMAL, restore.cx, restore.cy));
}

// Each text of the background picture has a window on it that tells screen readers the text.
void COptimizeDlg::LayOutPictureTexts(const CSkinLayout& layout) noexcept
{
    const HWND hWnd = GetSafeHwnd();
    MoveControl(GetDlgItem(hWnd, IDC_STEP1), layout.Step(1));
    MoveControl(GetDlgItem(hWnd, IDC_STEP2), layout.Step(2));
    MoveControl(GetDlgItem(hWnd, IDC_STEP3), layout.Step(3));
    MoveControl(GetDlgItem(hWnd, IDC_HINT), layout.Hint());
    MoveControl(GetDlgItem(hWnd, IDC_LOG_HEADING), layout.LogHeading());
}

bool COptimizeDlg::OnPaint() noexcept
{
    const HWND hWnd = GetSafeHwnd();
    CPaintDC dc(hWnd);
    CMemoryDC memoryDC(dc.Get());
    // Without the picture the dialog's own face, erased by the paint context, stays.
    if (!memoryDC || !m_bmpBackground) return true;
    RECT rcClient{};
    GetClientRect(hWnd, &rcClient);
    {
        CScopedSelect select(memoryDC.Get(), m_bmpBackground.Get());
        BitBlt(dc.Get(), 0, 0, rcClient.right, rcClient.bottom, memoryDC.Get(), 0, 0, SRCCOPY);
    }
    if (IsIconic(hWnd)) {
        SendMessageW(hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        DrawIcon(dc.Get(), (rcClient.right - cxIcon + 1) / 2, (rcClient.bottom - cyIcon + 1) / 2, m_hIcon);
    }
    return true;
}

HICON COptimizeDlg::OnQueryDragIcon() noexcept
{
    return m_hIcon;
}

// The log pane is read-only, which would draw it on the dialog's grey. It takes the colours of
// an ordinary text field instead (white unless the user chose otherwise, e.g. high contrast),
// which sits on the picture's calm lower band and reads better.
HBRUSH COptimizeDlg::OnCtlColorStatic(HDC hdc, HWND hControl) noexcept
{
    if (hControl != m_editLog) return nullptr;
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
}

// The windows over the picture's texts show the picture under them, so the window looks the same
// with them as without. Only the dialog's own such windows are drawn, wherever they are now.
bool COptimizeDlg::OnDrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    if (item.CtlType != ODT_STATIC || !IsPictureText(item.CtlID)) return false;
    const HWND hWnd = GetSafeHwnd();
    const HWND hControl = GetDlgItem(hWnd, static_cast<int>(item.CtlID));
    if (hControl == nullptr || hControl != item.hwndItem || !m_bmpBackground) return true;
    RECT rcControl{};
    GetClientRect(hControl, &rcControl);
    POINT origin{0, 0};
    MapWindowPoints(hControl, hWnd, &origin, 1);
    CMemoryDC memoryDC(item.hDC);
    if (!memoryDC) return true;
    CScopedSelect select(memoryDC.Get(), m_bmpBackground.Get());
    BitBlt(item.hDC, 0, 0, rcControl.right, rcControl.bottom, memoryDC.Get(), origin.x, origin.y, SRCCOPY);
    return true;
}

bool COptimizeDlg::OnCommand(WORD nID, WORD nCode) noexcept
{
    // The run's pause hands on the messages other programs send the window. A command among
    // them waits, as a click does, until the run is over: HOSTS is never written by a restore
    // inside a run, and the window does not close under it.
    if (m_run.IsRunning() && IsDialogCommand(nID, nCode)) {
        PostCommandAgain(nID, nCode);
        return true;
    }
    if (nCode == BN_CLICKED && nID == IDC_START) {
        OnOptimize();
        return true;
    }
    if (nCode == BN_CLICKED && nID == IDC_RESTORE) {
        OnRestore();
        return true;
    }
    return CModalDialog::OnCommand(nID, nCode);
}

// Any program can enable the start button again and send its command: the run itself, not the
// button, refuses a second start.
void COptimizeDlg::OnOptimize() noexcept
{
    m_run.Run();
}

// Posted, since the run's pause leaves posted messages queued: the dialog's message loop hands
// it on once the run is over.
void COptimizeDlg::PostCommandAgain(WORD nID, WORD nCode) noexcept
{
    const HWND hWnd = GetSafeHwnd();
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nID, nCode), reinterpret_cast<LPARAM>(GetDlgItem(hWnd, nID)));
}

void COptimizeDlg::OnRestore() noexcept
{
    const bool bRestored = RewriteHostsFile(m_routeTable1, TRUE);
    try {
        AppendLog(bRestored ? kRestoredText : kRestoreFailedText);
    } catch (const std::exception&) {
        // Out of memory: the log pane cannot take the text; HOSTS is as the rewrite left it.
    }
}

bool COptimizeDlg::RewriteHostsFile(const CRouteTable& routeTable, BOOL bRestore) noexcept
{
    // Finding HOSTS needs memory too; without it HOSTS is not touched.
    try {
        return RewriteHostsFileAt(GetHostsFilePath(), routeTable, bRestore != FALSE);
    } catch (const std::exception&) {
        return false;
    }
}

// A disabled control cannot keep the focus: it goes to the restore button first, as the dialog
// manager moves it, so that Tab, Enter and Space still work after the run. A focus the player
// put into the log pane stays there.
void COptimizeDlg::DisableStartButton()
{
    const HWND hStart = m_btnStart.GetSafeHwnd();
    if (GetFocus() == hStart)
        SendMessageW(GetSafeHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnRestore.GetSafeHwnd()), TRUE);
    m_btnStart.EnableButton(FALSE);
}

std::int32_t COptimizeDlg::MeasureRoundTrip(const char* szHost)
{
    CIcmpProbe probe;
    return probe.MeasureRoundTrip(szHost);
}

// The run waits on this thread. Only paint messages are taken from the queue meanwhile, so each
// log line shows as it is written; clicks, keys and closing wait until the run is over. Messages
// that other threads send are handed on all the same, as Windows does in any wait for messages.
void COptimizeDlg::Pause(unsigned milliseconds)
{
    const DWORD dwStart = GetTickCount();
    for (;;) {
        // The clock is read after every paint: a window that keeps asking to be repainted
        // cannot hold the run.
        const bool bPainted = DispatchPaintMessage();
        const DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= milliseconds) return;
        if (!bPainted) MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - dwElapsed, QS_PAINT);
    }
}

// Every text goes to the end of the log, whatever the player selected or wherever the caret is,
// and the player's selection is put back. The pane's limit grows as needed, so a text is never
// cut short however much the pane holds, whoever filled it.
void COptimizeDlg::AppendLog(const std::string& text)
{
    const std::wstring wide = WideFromGbk(text);
    const LogSelection selection = GetLogSelection(m_editLog);
    const DWORD dwSelStart = selection.dwStart;
    const DWORD dwSelEnd = selection.dwEnd;
    const DWORD dwLength = static_cast<DWORD>(GetWindowTextLengthW(m_editLog));
    RaiseLogLimit(dwLength, wide.size());
    SendMessageW(m_editLog, EM_SETSEL, dwLength, static_cast<LPARAM>(dwLength));
    SendMessageW(m_editLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
    // A caret at the end follows the text, as before; anything else the player set stays.
    const bool bCaretAtEnd = dwSelStart == dwSelEnd && dwSelEnd >= dwLength;
    if (bCaretAtEnd) return;
    // The pane now shows the new text. Putting the selection back may scroll to it (Wine does):
    // the view goes back to the new text.
    const LRESULT nFirstLine = SendMessageW(m_editLog, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(m_editLog, EM_SETSEL, dwSelStart, static_cast<LPARAM>(dwSelEnd));
    const LRESULT nScrolled = SendMessageW(m_editLog, EM_GETFIRSTVISIBLELINE, 0, 0) - nFirstLine;
    if (nScrolled != 0)
        SendMessageW(m_editLog, EM_LINESCROLL, 0, -nScrolled);
}

void COptimizeDlg::RaiseLogLimit(std::size_t nLength, std::size_t nAdded) noexcept
{
    const std::size_t nLimit = static_cast<std::size_t>(SendMessageW(m_editLog, EM_GETLIMITTEXT, 0, 0));
    if (nLength + nAdded <= nLimit) return;
    const std::size_t nWanted = nLength + nAdded;
    SendMessageW(m_editLog, EM_SETLIMITTEXT, nWanted < kMaxLogLimit ? nWanted : kMaxLogLimit, 0);
}

bool COptimizeDlg::ApplyRouteTable(const CRouteTable& routeTable)
{
    return RewriteHostsFile(routeTable, FALSE);
}
