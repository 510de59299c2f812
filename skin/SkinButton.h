#pragma once

#include "skin/ISkinButtonActions.h"
#include "skin/ScopedBitmap.h"
#include "skin/SkinButtonState.h"

#include <windows.h>

// A push button of a dialog that draws itself from bitmaps (normal, hover, pressed, disabled),
// follows the pointer with the mouse capture and posts its click to the parent as
// WM_COMMAND/BN_CLICKED; Space presses it as it does a standard button, and it shows the
// keyboard focus whenever Windows shows keyboard cues. It never draws its window text. CSkinButtonState decides; this class
// gathers the window's messages and carries out the decisions.
class CSkinButton : private ISkinButtonActions {
public:
    CSkinButton();
    virtual ~CSkinButton();
    CSkinButton(const CSkinButton&) = delete;
    CSkinButton& operator=(const CSkinButton&) = delete;

    // Attaches to the push button nID of the dialog hParent. False when there is no such
    // control or either side is attached already.
    [[nodiscard]] bool SubclassDlgItem(UINT nID, HWND hParent);
    // Loads the four images from the program's bitmap resources (0: none) and sizes the button
    // to the normal image, keeping its position.
    void SetBitmaps(UINT nIDNormal, UINT nIDHover, UINT nIDPressed, UINT nIDDisabled);
    // The same with bitmaps made by the caller, each a bitmap of its own (null: none); the
    // button owns them from here.
    void SetBitmaps(HBITMAP hNormal, HBITMAP hHover, HBITMAP hPressed, HBITMAP hDisabled);
    // Enables or disables the button and resets its look; always TRUE.
    virtual BOOL EnableButton(BOOL bEnable);
    // Paints the image of the current look onto hdc.
    void DrawButton(HDC hdc);
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Default(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    void OnPaint() noexcept;
    void OnMouseMove(LPARAM lParam) noexcept;
    void OnKeyDown(WPARAM nKey) noexcept;
    LRESULT OnKeyUp(WPARAM nKey, LPARAM lParam) noexcept;
    void OnSetFocus(WPARAM hOldFocus) noexcept;
    void OnKillFocus(WPARAM hNewFocus) noexcept;
    void OnUpdateUiState(WPARAM wParam, LPARAM lParam) noexcept;
    void OnShowWindow(BOOL bShow, LPARAM lParam) noexcept;
    void OnNcDestroy() noexcept;
    void Detach() noexcept;
    HBITMAP ImageBitmap(SkinImage image) const;
    bool KeyboardCuesHidden() const;
    static bool NavigationKeyDown();

    void SetCapture() override;
    bool ReleaseCapture() override;
    void Repaint() override;
    void PostClick() override;
    void EnableWindow(bool bEnable) override;

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnSuper = nullptr;
    CSkinButtonState m_state;
    CScopedBitmap m_bmpNormal;
    CScopedBitmap m_bmpHover;
    CScopedBitmap m_bmpPressed;
    CScopedBitmap m_bmpDisabled;
};
