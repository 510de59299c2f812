#pragma once

#include <windows.h>

// Owns a bitmap handle and deletes it.
class CScopedBitmap {
public:
    CScopedBitmap() = default;
    explicit CScopedBitmap(HBITMAP hBitmap) : m_hBitmap(hBitmap) {}
    ~CScopedBitmap() { Reset(); }
    CScopedBitmap(const CScopedBitmap&) = delete;
    CScopedBitmap& operator=(const CScopedBitmap&) = delete;

    void Reset(HBITMAP hBitmap = nullptr)
    {
        if (m_hBitmap && m_hBitmap != hBitmap)
            DeleteObject(m_hBitmap);
        m_hBitmap = hBitmap;
    }
    // Gives up the handle to the caller.
    [[nodiscard]] HBITMAP Release()
    {
        const HBITMAP hBitmap = m_hBitmap;
        m_hBitmap = nullptr;
        return hBitmap;
    }
    HBITMAP Get() const { return m_hBitmap; }
    explicit operator bool() const { return m_hBitmap != nullptr; }

private:
    HBITMAP m_hBitmap = nullptr;
};
