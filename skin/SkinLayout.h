#pragma once

#include "skin/DisplayScale.h"

struct SkinSize {
    int cx = 0;
    int cy = 0;
};

struct SkinRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// Where the main window's client area and controls lie on its background picture, at a display
// scale: the 96-DPI pixel layout times the scale. The dialog template's own placement follows its
// font's metrics, which do not grow evenly with the DPI (SimSun at 120 DPI is 1.33x as wide and
// 1.25x as high), so the window is laid out from here and not from dialog units.
class CSkinLayout {
public:
    explicit CSkinLayout(const CDisplayScale& scale) noexcept : m_scale(scale) {}

    [[nodiscard]] SkinSize Client() const noexcept;
    [[nodiscard]] SkinSize Background() const noexcept;
    // The buttons' rectangles are their normal pictures' at their places.
    [[nodiscard]] SkinRect StartButton() const noexcept;
    [[nodiscard]] SkinRect LogPane() const noexcept;
    [[nodiscard]] SkinRect RestoreButton() const noexcept;
    // The texts of the background picture, where screen readers find them: the log's heading,
    // step 1 to 3 of the guide beside the start button, and the hint below the log pane.
    [[nodiscard]] SkinRect LogHeading() const noexcept;
    [[nodiscard]] SkinRect Step(int nStep) const noexcept;
    [[nodiscard]] SkinRect Hint() const noexcept;

private:
    [[nodiscard]] SkinSize Scaled(SkinSize size96) const noexcept;
    [[nodiscard]] SkinRect Scaled(SkinRect rect96) const noexcept;

    CDisplayScale m_scale;
};
