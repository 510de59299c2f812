#include "skin/SkinButton.h"

#include "skin/MemoryDC.h"
#include "skin/PaintDC.h"
#include "skin/ScopedSelect.h"

#include <windowsx.h>

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
    CScopedSelect select(memDC.Get(), hImage);
    BitBlt(hdc, 0, 0, rc.right, rc.bottom, memDC.Get(), 0, 0, SRCCOPY);
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
    case WM_KEYDOWN:
    case WM_ENABLE:
        return 0;
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
