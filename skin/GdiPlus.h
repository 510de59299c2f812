#pragma once

#include "skin/SystemLibrary.h"

#include <windows.h>

#include <cstddef>
#include <memory>

namespace Gdiplus {
class GpBitmap;
}

// GDI+ (gdiplus.dll), loaded from the system directory and started for the object's lifetime.
// Windows Vista and later and Wine keep it there; Windows XP keeps it in its side-by-side store
// only, and 2000 has none. It is loaded at run time rather than imported so that a system where
// it is not found still starts the program, and the object is then false.
class CGdiPlus {
public:
    CGdiPlus() noexcept;
    ~CGdiPlus();
    CGdiPlus(const CGdiPlus&) = delete;
    CGdiPlus& operator=(const CGdiPlus&) = delete;

    explicit operator bool() const noexcept { return m_token != 0; }

    // Decodes an image file held in memory (PNG, BMP, ...) into a bitmap of cx x cy pixels,
    // resized with high-quality bicubic interpolation when its own size differs. The caller owns
    // the bitmap; null when GDI+ is not there or the image cannot be decoded.
    [[nodiscard]] HBITMAP DecodeBitmap(const void* pData, std::size_t nSize, int cx, int cy) const noexcept;

private:
    struct Api;

    [[nodiscard]] HBITMAP ToBitmap(Gdiplus::GpBitmap* pSource, int cx, int cy) const noexcept;

    CSystemLibrary m_library{L"gdiplus.dll"};
    std::unique_ptr<Api> m_pApi;
    ULONG_PTR m_token = 0;
};
