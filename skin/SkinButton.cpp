#include "skin/SkinButton.h"

#include "skin/DisplayScale.h"
#include "skin/MemoryDC.h"
#include "skin/PaintDC.h"
#include "skin/ScopedSelect.h"

#include <windowsx.h>

#include <initializer_list>

namespace {

// The button's window leads to its CSkinButton through its user data: other processes cannot
// change a window's user data, whereas any program on the desktop can set a window property.
CSkinButton* OwnerOf(HWND hWnd) noexcept
{
    return reinterpret_cast<CSkinButton*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

HBITMAP LoadResourceBitmap(UINT nID)
{
    if (nID == 0)
        return nullptr;
    return LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nID & 0xFFFF));
}

// The dotted focus rectangle of a standard push button, inside the picture: 3 pixels in at 100%,
// less on a button too low for that (the restore button is 12 pixels high), and as many pixels
// thick as the display scale makes of one.
void DrawFocusCue(HDC hdc, const RECT& rcClient)
{
    const CDisplayScale scale(GetDeviceCaps(hdc, LOGPIXELSY));
    const int nThickness = scale.Scale(1);
    const int nHeight = rcClient.bottom - rcClient.top;
    int nInset = scale.Scale(3);
    if (nInset > nHeight / 8)
        nInset = nHeight / 8 > nThickness ? nHeight / 8 : nThickness;
    RECT rc = rcClient;
    InflateRect(&rc, -nInset, -nInset);
    for (int i = 0; i < nThickness && rc.right > rc.left && rc.bottom > rc.top; ++i) {
        DrawFocusRect(hdc, &rc);
        InflateRect(&rc, -1, -1);
    }
}

} // namespace

CSkinButton::CSkinButton() : m_state(*this) {}

CSkinButton::~CSkinButton()
{
    Detach();
}

bool CSkinButton::SubclassDlgItem(UINT nID, HWND hParent)
{
    HWND hWnd = GetDlgItem(hParent, static_cast<int>(nID));
    if (m_hWnd || !hWnd || OwnerOf(hWnd))
        return false;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (OwnerOf(hWnd) != this)
        return false;
    const LONG_PTR previous = SetWindowLongPtrW(hWnd, GWLP_WNDPROC,
                                                reinterpret_cast<LONG_PTR>(&CSkinButton::WindowProc));
    if (previous == 0) {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        return false;
    }
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(previous);
    BOOL bAlwaysCues = FALSE;
    if (SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &bAlwaysCues, 0) && bAlwaysCues)
        m_state.ShowKeyboardCues(true);
    return true;
}

void CSkinButton::Detach() noexcept
{
    if (!m_hWnd)
        return;
    if (IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    }
    m_hWnd = nullptr;
}

void CSkinButton::SetBitmaps(UINT nIDNormal, UINT nIDHover, UINT nIDPressed, UINT nIDDisabled)
{
    SetBitmaps(LoadResourceBitmap(nIDNormal), LoadResourceBitmap(nIDHover), LoadResourceBitmap(nIDPressed),
               LoadResourceBitmap(nIDDisabled));
}

void CSkinButton::SetBitmaps(HBITMAP hNormal, HBITMAP hHover, HBITMAP hPressed, HBITMAP hDisabled)
{
    m_state.OnSetBitmaps();
    m_bmpNormal.Reset(hNormal);
    m_bmpHover.Reset(hHover);
    m_bmpPressed.Reset(hPressed);
    m_bmpDisabled.Reset(hDisabled);
    if (!m_hWnd || !m_bmpNormal)
        return;
    BITMAP bm{};
    if (GetObjectW(m_bmpNormal.Get(), sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0)
        SetWindowPos(m_hWnd, nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER);
}

BOOL CSkinButton::EnableButton(BOOL bEnable)
{
    m_state.EnableButton(bEnable != FALSE);
    return TRUE;
}

HBITMAP CSkinButton::ImageBitmap(SkinImage image) const
{
    switch (image) {
    case SkinImage::Normal:
        return m_bmpNormal.Get();
    case SkinImage::Hover:
        return m_bmpHover.Get();
    case SkinImage::Pressed:
        return m_bmpPressed.Get();
    case SkinImage::Disabled:
        return m_bmpDisabled.Get();
    default:
        return nullptr;
    }
}

void CSkinButton::DrawButton(HDC hdc)
{
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    CMemoryDC memDC(hdc);
    if (!memDC)
        return;
    SkinImageSet loaded;
    loaded.bNormal = static_cast<bool>(m_bmpNormal);
    loaded.bHover = static_cast<bool>(m_bmpHover);
    loaded.bPressed = static_cast<bool>(m_bmpPressed);
    loaded.bDisabled = static_cast<bool>(m_bmpDisabled);
    HBITMAP hImage = ImageBitmap(m_state.ChooseImage(loaded));
    if (!hImage)
        return;
    {
        CScopedSelect select(memDC.Get(), hImage);
        BitBlt(hdc, 0, 0, rc.right, rc.bottom, memDC.Get(), 0, 0, SRCCOPY);
    }
    if (m_state.ShowsFocusCue(KeyboardCuesHidden()))
        DrawFocusCue(hdc, rc);
}

// Windows hides focus cues in a window until the keyboard is used in it (unless the user asked
// to see them always) and keeps that state for each control. Wine 8 keeps none, so the button
// also waits for a navigation key itself.
bool CSkinButton::KeyboardCuesHidden() const
{
    return (SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

// The dialog manager moves the focus while it handles the key's WM_KEYDOWN, so the key is still
// down when the focus arrives.
bool CSkinButton::NavigationKeyDown()
{
    for (int nKey : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
        if (GetKeyState(nKey) < 0)
            return true;
    }
    return false;
}

LRESULT CALLBACK CSkinButton::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    CSkinButton* pButton = OwnerOf(hWnd);
    if (!pButton || pButton->m_hWnd != hWnd)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    return pButton->OnMessage(uMsg, wParam, lParam);
}

LRESULT CSkinButton::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (uMsg) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: DrawButton(reinterpret_cast<HDC>(wParam)); return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
    case WM_LBUTTONDOWN: m_state.OnLButtonDown(); return 0;
    case WM_LBUTTONUP: m_state.OnLButtonUp(); return 0;
    // The second press of a double-click is swallowed, so its release finds no press to click.
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_ENABLE:
        return 0;
    case WM_KEYDOWN: OnKeyDown(wParam); return 0;
    case WM_KEYUP: return OnKeyUp(wParam, lParam);
    case WM_SETFOCUS: OnSetFocus(wParam); return 0;
    case WM_KILLFOCUS: OnKillFocus(wParam); return 0;
    case WM_UPDATEUISTATE: OnUpdateUiState(wParam, lParam); return 0;
    case WM_SHOWWINDOW: OnShowWindow(static_cast<BOOL>(wParam), lParam); return 0;
    case WM_NCDESTROY: {
        const WNDPROC pfnSuper = m_pfnSuper;
        HWND hWnd = m_hWnd;
        OnNcDestroy();
        return CallWindowProcW(pfnSuper, hWnd, uMsg, wParam, lParam);
    }
    default: return Default(uMsg, wParam, lParam);
    }
}

LRESULT CSkinButton::Default(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    return CallWindowProcW(m_pfnSuper, m_hWnd, uMsg, wParam, lParam);
}

void CSkinButton::OnPaint() noexcept
{
    CPaintDC dc(m_hWnd);
    DrawButton(dc.Get());
}

void CSkinButton::OnMouseMove(LPARAM lParam) noexcept
{
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    m_state.OnMouseMove(PtInRect(&rc, pt) != FALSE);
}

// Other keys stay swallowed, as before: the dialog manager handles Enter, Tab and Escape.
void CSkinButton::OnKeyDown(WPARAM nKey) noexcept
{
    if (nKey == VK_SPACE)
        m_state.OnSpaceDown();
}

LRESULT CSkinButton::OnKeyUp(WPARAM nKey, LPARAM lParam) noexcept
{
    if (nKey != VK_SPACE)
        return Default(WM_KEYUP, nKey, lParam);
    m_state.OnSpaceUp();
    return 0;
}

void CSkinButton::OnSetFocus(WPARAM hOldFocus) noexcept
{
    Default(WM_SETFOCUS, hOldFocus, 0);
    m_state.OnSetFocus(NavigationKeyDown());
}

void CSkinButton::OnKillFocus(WPARAM hNewFocus) noexcept
{
    Default(WM_KILLFOCUS, hNewFocus, 0);
    m_state.OnKillFocus();
}

// The default processing records whether the window now shows or hides keyboard cues; the
// button follows what it is told about the focus cue.
void CSkinButton::OnUpdateUiState(WPARAM wParam, LPARAM lParam) noexcept
{
    Default(WM_UPDATEUISTATE, wParam, lParam);
    if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0)
        return;
    if (LOWORD(wParam) == UIS_CLEAR)
        m_state.ShowKeyboardCues(true);
    else if (LOWORD(wParam) == UIS_SET)
        m_state.ShowKeyboardCues(false);
}

void CSkinButton::OnShowWindow(BOOL bShow, LPARAM lParam) noexcept
{
    Default(WM_SHOWWINDOW, static_cast<WPARAM>(bShow), lParam);
    if (!bShow)
        m_state.OnHide();
}

void CSkinButton::OnNcDestroy() noexcept
{
    Detach();
}

void CSkinButton::SetCapture()
{
    ::SetCapture(m_hWnd);
}

bool CSkinButton::ReleaseCapture()
{
    return ::ReleaseCapture() != FALSE;
}

void CSkinButton::Repaint()
{
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSkinButton::PostClick()
{
    PostMessageW(GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinButton::EnableWindow(bool bEnable)
{
    if (m_hWnd)
        ::EnableWindow(m_hWnd, bEnable ? TRUE : FALSE);
}
