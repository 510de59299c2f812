#pragma once

#include "skin/DisplayScale.h"
#include "skin/GdiPlus.h"

#include <windows.h>

#include <optional>

// Loads the program's pictures for a display scale. The 100% set is the program's bitmap
// resources, loaded as they are; the larger sets are PNG files (RCDATA resources) decoded through
// GDI+, which is started only when one is needed. A scale without a set of its own gets the next
// larger set resized. Where a set's picture cannot be had, the 100% bitmap is stretched to the
// size instead: the window stays whole, only less sharp.
class CPictureLoader {
public:
    explicit CPictureLoader(const CDisplayScale& scale) noexcept : m_scale(scale) {}

    // Picture nBitmapId (its 100% bitmap resource) at this scale, cx x cy pixels; the caller owns
    // it. Null when not even the bitmap resource is there.
    [[nodiscard]] HBITMAP Load(UINT nBitmapId, int cx, int cy) noexcept;

private:
    [[nodiscard]] HBITMAP LoadFromSet(UINT nBitmapId, int cx, int cy) noexcept;

    CDisplayScale m_scale;
    std::optional<CGdiPlus> m_gdiPlus;
};
