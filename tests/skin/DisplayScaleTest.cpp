#include "skin/DisplayScale.h"

#include <gtest/gtest.h>

namespace {

struct ScaleCase {
    int nDpi;
    int nSetDpi;
    bool bResizes;
    int nStartNormalId;  // the resource of picture 132 (the start button) at this scale
};

// Each set's own DPI, between sets (the next larger set), below 100% and above 200%, and a
// failed query.
constexpr ScaleCase kScaleCases[] = {
    {96, 96, false, 132},     {120, 120, false, 12632}, {144, 144, false, 15132},
    {192, 192, false, 20132}, {168, 192, true, 20132},  {110, 120, true, 12632},
    {97, 120, true, 12632},   {72, 96, true, 132},      {240, 192, true, 20132},
    {0, 96, false, 132},      {-1, 96, false, 132},
};

TEST(DisplayScaleTest, PicksTheSetDrawnForTheScaleOrTheNextLargerOne)
{
    for (const ScaleCase& c : kScaleCases) {
        const CDisplayScale scale(c.nDpi);
        EXPECT_EQ(scale.PictureSetDpi(), c.nSetDpi) << c.nDpi << " DPI";
        EXPECT_EQ(scale.ResizesPictures(), c.bResizes) << c.nDpi << " DPI";
        EXPECT_EQ(scale.PictureResourceId(132), c.nStartNormalId) << c.nDpi << " DPI";
    }
}

TEST(DisplayScaleTest, ScalesLengthsRoundingHalfUp)
{
    struct Case {
        int nDpi;
        int nPixels96;
        int nScaled;
    };
    const Case cases[] = {
        {96, 398, 398}, {120, 398, 498}, {120, 294, 368}, {144, 79, 119}, {144, 1, 2},
        {192, 297, 594}, {120, 297, 371}, {120, 0, 0},    {72, 1, 1},     {0, 398, 398},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDisplayScale(c.nDpi).Scale(c.nPixels96), c.nScaled) << c.nPixels96 << " at " << c.nDpi << " DPI";
}

} // namespace
