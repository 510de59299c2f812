#pragma once

#include <windows.h>

// The screen's device context, released at the end of its scope.
class CScreenDC {
public:
    CScreenDC() : m_hdc(GetDC(nullptr)) {}
    ~CScreenDC()
    {
        if (m_hdc)
            ReleaseDC(nullptr, m_hdc);
    }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;

    HDC Get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != nullptr; }

private:
    HDC m_hdc;
};
