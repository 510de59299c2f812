#pragma once

#include <windows.h>

// A modal dialog on a template of the program's resources. One static dialog procedure finds
// the object through the pointer stored at WM_INITDIALOG and hands each message to a named
// handler; a handler returns false to leave the message to the dialog manager.
class CModalDialog {
public:
    explicit CModalDialog(UINT nIDTemplate) noexcept;
    virtual ~CModalDialog() = default;
    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Runs the dialog until it ends; the value given to EndDialog, or -1 if it could not start.
    INT_PTR DoModal(HWND hParent = nullptr) noexcept;
    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

protected:
    // TRUE: the dialog manager gives the focus to the first control in tab order.
    virtual BOOL OnInitDialog() noexcept { return TRUE; }
    virtual bool OnPaint() noexcept { return false; }
    virtual HICON OnQueryDragIcon() noexcept { return nullptr; }
    // The brush for a read-only or static control's background, with its colours set on hdc;
    // null leaves the colours to the dialog manager.
    virtual HBRUSH OnCtlColorStatic(HDC /*hdc*/, HWND /*hControl*/) noexcept { return nullptr; }
    // An owner-drawn control of this dialog asks to be drawn; true when it was.
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*item*/) noexcept { return false; }
    // OK and Cancel (Enter without a default button, Escape, the close box) end the dialog.
    virtual bool OnCommand(WORD nID, WORD nCode) noexcept;

    void EndDialog(INT_PTR nResult) noexcept;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    BOOL HandleInitDialog() noexcept;
    BOOL HandleDrawItem(LPARAM lParam) noexcept;
    void CenterOnWorkArea() noexcept;

    UINT m_nIDTemplate;
    HWND m_hWnd = nullptr;
};
