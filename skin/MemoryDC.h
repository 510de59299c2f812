#pragma once

#include <windows.h>

// A memory device context compatible with another one, deleted at the end of its scope.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC hdcCompatible) : m_hdc(CreateCompatibleDC(hdcCompatible)) {}
    ~CMemoryDC()
    {
        if (m_hdc)
            DeleteDC(m_hdc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != nullptr; }

private:
    HDC m_hdc;
};
