#include "app/ModalDialog.h"

#include <algorithm>

CModalDialog::CModalDialog(UINT nIDTemplate) noexcept : m_nIDTemplate(nIDTemplate) {}

INT_PTR CModalDialog::DoModal(HWND hParent) noexcept
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), hParent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

void CModalDialog::EndDialog(INT_PTR nResult) noexcept
{
    ::EndDialog(m_hWnd, nResult);
}

bool CModalDialog::OnCommand(WORD nID, WORD /*nCode*/) noexcept
{
    if (nID != IDOK && nID != IDCANCEL) return false;
    EndDialog(nID);
    return true;
}

// Any program on the desktop can send the dialog any message, WM_INITDIALOG too. Only the
// dialog manager's own, sent on this thread before the dialog has its object, carries the
// pointer that DoModal gave; a later one, or one sent from another thread, is ignored.
INT_PTR CALLBACK CModalDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* pDialog = reinterpret_cast<CModalDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (uMsg == WM_INITDIALOG) {
        if (pDialog || InSendMessage() || lParam == 0)
            return FALSE;
        pDialog = reinterpret_cast<CModalDialog*>(lParam);
        pDialog->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    }
    return pDialog ? pDialog->HandleMessage(uMsg, wParam, lParam) : FALSE;
}

INT_PTR CModalDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (uMsg) {
    case WM_INITDIALOG: return HandleInitDialog();
    case WM_PAINT: return OnPaint();
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_DRAWITEM: return HandleDrawItem(lParam);
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
    }
}

// The dialog's own controls ask on its thread; what another thread or program sends carries
// handles and places that nobody checked, and is ignored.
BOOL CModalDialog::HandleDrawItem(LPARAM lParam) noexcept
{
    if (InSendMessage() || lParam == 0) return FALSE;
    return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
}

// The template places the dialog at (0, 0) without a centring flag: it opens centred on the
// work area, placed after initialisation while it is still hidden.
BOOL CModalDialog::HandleInitDialog() noexcept
{
    const BOOL bDefaultFocus = OnInitDialog();
    CenterOnWorkArea();
    return bDefaultFocus;
}

void CModalDialog::CenterOnWorkArea() noexcept
{
    RECT rcWork{};
    RECT rcWindow{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0) || !GetWindowRect(m_hWnd, &rcWindow))
        return;
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    // A window larger than the work area keeps its top-left corner inside it.
    const int x = std::max(rcWork.left, rcWork.left + (rcWork.right - rcWork.left - cx) / 2);
    const int y = std::max(rcWork.top, rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2);
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
