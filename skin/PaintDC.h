#pragma once

#include <windows.h>

// BeginPaint for the scope's lifetime, EndPaint at its end.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hdc(BeginPaint(hWnd, &m_ps)) {}
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_hdc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};
