#pragma once

#include <windows.h>

// Stand-in used only while the skinned button is not part of the build: a plain push button.
class CSkinButton {
public:
    virtual ~CSkinButton() = default;
    [[nodiscard]] bool SubclassDlgItem(UINT nID, HWND hParent)
    {
        m_hWnd = GetDlgItem(hParent, static_cast<int>(nID));
        return m_hWnd != nullptr;
    }
    void SetBitmaps(UINT, UINT, UINT, UINT) {}
    virtual BOOL EnableButton(BOOL bEnable)
    {
        EnableWindow(m_hWnd, bEnable);
        return TRUE;
    }
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};
