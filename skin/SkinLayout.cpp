#include "skin/SkinLayout.h"

namespace {

// The window at 96 DPI, in pixels: the template's dialog units with 9 pt SimSun (6 x 12 base
// units), and the pictures' sizes.
constexpr SkinSize kClient96{398, 294};
constexpr SkinSize kBackground96{400, 300};
constexpr SkinRect kStartButton96{297, 69, 88, 88};
constexpr SkinRect kLogPane96{14, 198, 368, 50};
constexpr SkinRect kRestoreButton96{297, 258, 79, 12};
// The lines of text drawn into the background picture, each a little larger than its glyphs.
constexpr SkinRect kLogHeading96{22, 177, 52, 16};
constexpr SkinRect kSteps96[] = {{56, 76, 216, 16}, {56, 105, 216, 16}, {56, 134, 216, 16}};
constexpr SkinRect kHint96{14, 275, 240, 16};

} // namespace

SkinSize CSkinLayout::Scaled(SkinSize size96) const noexcept
{
    return SkinSize{m_scale.Scale(size96.cx), m_scale.Scale(size96.cy)};
}

// Place and size are scaled each on its own, as the pictures are drawn.
SkinRect CSkinLayout::Scaled(SkinRect rect96) const noexcept
{
    return SkinRect{m_scale.Scale(rect96.x), m_scale.Scale(rect96.y), m_scale.Scale(rect96.cx),
                    m_scale.Scale(rect96.cy)};
}

SkinSize CSkinLayout::Client() const noexcept
{
    return Scaled(kClient96);
}

SkinSize CSkinLayout::Background() const noexcept
{
    return Scaled(kBackground96);
}

SkinRect CSkinLayout::StartButton() const noexcept
{
    return Scaled(kStartButton96);
}

SkinRect CSkinLayout::LogPane() const noexcept
{
    return Scaled(kLogPane96);
}

SkinRect CSkinLayout::RestoreButton() const noexcept
{
    return Scaled(kRestoreButton96);
}

SkinRect CSkinLayout::LogHeading() const noexcept
{
    return Scaled(kLogHeading96);
}

// Steps are counted from 1; any other number gives an empty rectangle.
SkinRect CSkinLayout::Step(int nStep) const noexcept
{
    if (nStep < 1 || nStep > 3) return SkinRect{};
    return Scaled(kSteps96[nStep - 1]);
}

SkinRect CSkinLayout::Hint() const noexcept
{
    return Scaled(kHint96);
}
