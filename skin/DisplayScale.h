#pragma once

// The display scale the window is laid out and drawn for, from the DPI that Windows reports
// (96 is 100%). Lengths of the 96-DPI layout are scaled and rounded half up here, in one place.
// The pictures come in sets drawn for 96, 120, 144 and 192 DPI; between two sets the next
// larger one is scaled down, above the largest the largest is scaled up.
class CDisplayScale {
public:
    static constexpr int kBaseDpi = 96;

    // A DPI that is not positive (a failed query) counts as 96.
    explicit CDisplayScale(int nDpi) noexcept;

    int GetDpi() const noexcept { return m_nDpi; }
    // A length of the 96-DPI layout at this scale.
    [[nodiscard]] int Scale(int nPixels96) const noexcept;
    // The DPI of the picture set that is drawn at this scale or is scaled to it.
    [[nodiscard]] int PictureSetDpi() const noexcept;
    // The set's share of 96 DPI in percent: 100, 125, 150 or 200.
    [[nodiscard]] int PictureSetPercent() const noexcept;
    // True when the set's pictures must be resized to this scale.
    [[nodiscard]] bool ResizesPictures() const noexcept { return PictureSetDpi() != m_nDpi; }
    // The resource of a picture of this scale's set, given the picture's 100% resource: the
    // 100% set is the bitmaps themselves; a larger set's picture is the percent times 100 plus
    // the bitmap's identifier (12632 is picture 132 at 125%).
    [[nodiscard]] int PictureResourceId(int nBitmapId) const noexcept;

private:
    int m_nDpi;
};
