// A dialog with the two skinned buttons of the main window, for tests that drive it with the
// real mouse. It writes what it sees to LOGFILE, one line each:
//   base X Y                      dialog base units (MapDialogRect of 4 x 8)
//   button ID L T W H TL TT       a button's client rectangle in the dialog and its template
//                                 position mapped to pixels
//   screen ID L T                 the button's top-left corner on the screen
//   ready
//   command ID CODE               every WM_COMMAND the dialog receives
//   done LINE                     a line of CMDFILE carried out
// and carries out the lines that are appended to CMDFILE: "disable ID", "enable ID",
// "ping N", "quit".
#include "skin/MemoryDC.h"
#include "skin/PaintDC.h"
#include "skin/ScopedBitmap.h"
#include "skin/ScopedSelect.h"
#include "skin/SkinButton.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class CSkinButtonWindow {
public:
    CSkinButtonWindow(std::string logPath, std::string commandPath)
        : m_logPath(std::move(logPath)), m_commandPath(std::move(commandPath))
    {
    }

    INT_PTR Run()
    {
        return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(102), nullptr,
                               &CSkinButtonWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
    {
        if (uMsg == WM_INITDIALOG)
            SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        auto* self = reinterpret_cast<CSkinButtonWindow*>(GetWindowLongPtrW(hDlg, DWLP_USER));
        if (!self)
            return FALSE;
        switch (uMsg) {
        case WM_INITDIALOG: self->m_hDlg = hDlg; return self->OnInitDialog();
        case WM_PAINT: self->OnPaint(); return TRUE;
        case WM_TIMER: self->OnTimer(); return TRUE;
        case WM_COMMAND: self->OnCommand(wParam); return TRUE;
        case WM_CLOSE: EndDialog(hDlg, 0); return TRUE;
        default: return FALSE;
        }
    }

    BOOL OnInitDialog() noexcept
    {
        if (!m_btnStart.SubclassDlgItem(1000, m_hDlg) || !m_btnRestore.SubclassDlgItem(1002, m_hDlg)) {
            Log("error: cannot attach the buttons");
            EndDialog(m_hDlg, 1);
            return TRUE;
        }
        m_bmpBackground.Reset(LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(136)));
        m_btnStart.SetBitmaps(132, 134, 135, 135);
        m_btnRestore.SetBitmaps(138, 139, 138, 138);
        RECT base{0, 0, 4, 8};
        MapDialogRect(m_hDlg, &base);
        Log("base " + std::to_string(base.right) + " " + std::to_string(base.bottom));
        ReportButton(1000, 198, 46);
        ReportButton(1002, 198, 172);
        SetTimer(m_hDlg, 1, 50, nullptr);
        Log("ready");
        return TRUE;
    }

    void ReportButton(int nID, int xDu, int yDu)
    {
        HWND hButton = GetDlgItem(m_hDlg, nID);
        RECT rc{};
        GetWindowRect(hButton, &rc);
        Log("screen " + std::to_string(nID) + " " + std::to_string(rc.left) + " " + std::to_string(rc.top));
        MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rc), 2);
        RECT tmpl{xDu, yDu, xDu, yDu};
        MapDialogRect(m_hDlg, &tmpl);
        Log("button " + std::to_string(nID) + " " + std::to_string(rc.left) + " " + std::to_string(rc.top) + " "
            + std::to_string(rc.right - rc.left) + " " + std::to_string(rc.bottom - rc.top) + " "
            + std::to_string(tmpl.left) + " " + std::to_string(tmpl.top));
    }

    void OnPaint() noexcept
    {
        CPaintDC dc(m_hDlg);
        CMemoryDC memDC(dc.Get());
        if (!memDC || !m_bmpBackground)
            return;
        CScopedSelect select(memDC.Get(), m_bmpBackground.Get());
        RECT rc{};
        GetClientRect(m_hDlg, &rc);
        BitBlt(dc.Get(), 0, 0, rc.right, rc.bottom, memDC.Get(), 0, 0, SRCCOPY);
    }

    void OnCommand(WPARAM wParam) noexcept
    {
        Log("command " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)));
    }

    void OnTimer() noexcept
    {
        std::ifstream in(m_commandPath);
        std::string line;
        for (std::size_t n = 0; std::getline(in, line); ++n) {
            if (n < m_nCommandsDone)
                continue;
            ++m_nCommandsDone;
            Execute(line);
        }
    }

    void Execute(const std::string& line)
    {
        std::istringstream words(line);
        std::string verb;
        int nArgument = 0;
        words >> verb >> nArgument;
        CSkinButton* pButton = nArgument == 1002 ? &m_btnRestore : &m_btnStart;
        if (verb == "disable" || verb == "enable")
            pButton->EnableButton(verb == "enable");
        else if (verb == "quit")
            EndDialog(m_hDlg, 0);
        Log("done " + line);
    }

    void Log(const std::string& line)
    {
        if (FILE* f = std::fopen(m_logPath.c_str(), "a")) {
            (void)std::fprintf(f, "%s\n", line.c_str());
            (void)std::fclose(f);
        }
    }

    std::string m_logPath;
    std::string m_commandPath;
    std::size_t m_nCommandsDone = 0;
    HWND m_hDlg = nullptr;
    CSkinButton m_btnStart;
    CSkinButton m_btnRestore;
    CScopedBitmap m_bmpBackground;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        (void)std::fprintf(stderr, "usage: %s LOGFILE CMDFILE\n", argv[0]);
        return 2;
    }
    CSkinButtonWindow window(argv[1], argv[2]);
    return window.Run() == 0 ? 0 : 1;
}
