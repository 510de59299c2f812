#include "skin/SkinLayout.h"

#include <gtest/gtest.h>

#include <ostream>

bool operator==(const SkinRect& a, const SkinRect& b)
{
    return a.x == b.x && a.y == b.y && a.cx == b.cx && a.cy == b.cy;
}

std::ostream& operator<<(std::ostream& out, const SkinRect& r)
{
    return out << r.cx << "x" << r.cy << " at (" << r.x << ", " << r.y << ")";
}

namespace {

struct LayoutCase {
    int nDpi = 0;
    SkinSize client;
    SkinSize background;
    SkinRect start;
    SkinRect log;
    SkinRect restore;
};

// The 96-DPI window as the template gives it (on its 400x300 background picture), and the same window scaled by 1.25, 1.5, 1.75 and
// 2, worked out by hand.
const LayoutCase kLayoutCases[] = {
    {96, {398, 294}, {400, 300}, {297, 69, 88, 88}, {14, 198, 368, 50}, {297, 258, 79, 12}},
    {120, {498, 368}, {500, 375}, {371, 86, 110, 110}, {18, 248, 460, 63}, {371, 323, 99, 15}},
    {144, {597, 441}, {600, 450}, {446, 104, 132, 132}, {21, 297, 552, 75}, {446, 387, 119, 18}},
    {168, {697, 515}, {700, 525}, {520, 121, 154, 154}, {25, 347, 644, 88}, {520, 452, 138, 21}},
    {192, {796, 588}, {800, 600}, {594, 138, 176, 176}, {28, 396, 736, 100}, {594, 516, 158, 24}},
};

TEST(SkinLayoutTest, IsThe96DpiWindowTimesTheScale)
{
    for (const LayoutCase& c : kLayoutCases) {
        const CSkinLayout layout{CDisplayScale(c.nDpi)};
        EXPECT_EQ(layout.Client().cx, c.client.cx) << c.nDpi << " DPI";
        EXPECT_EQ(layout.Client().cy, c.client.cy) << c.nDpi << " DPI";
        EXPECT_EQ(layout.Background().cx, c.background.cx) << c.nDpi << " DPI";
        EXPECT_EQ(layout.Background().cy, c.background.cy) << c.nDpi << " DPI";
        EXPECT_EQ(layout.StartButton(), c.start) << c.nDpi << " DPI";
        EXPECT_EQ(layout.LogPane(), c.log) << c.nDpi << " DPI";
        EXPECT_EQ(layout.RestoreButton(), c.restore) << c.nDpi << " DPI";
    }
}

bool Inside(const SkinRect& r, SkinSize area)
{
    return r.x >= 0 && r.y >= 0 && r.x + r.cx <= area.cx && r.y + r.cy <= area.cy;
}

// At any scale the background picture fills the client area (no bare dialog face) and every
// control lies within the client area, the buttons clear of the log pane.
TEST(SkinLayoutTest, BackgroundCoversTheClientAndControlsStayInsideAtEveryDpi)
{
    for (int nDpi = 48; nDpi <= 480; ++nDpi) {
        const CSkinLayout layout{CDisplayScale(nDpi)};
        const SkinSize client = layout.Client();
        EXPECT_GE(layout.Background().cx, client.cx) << nDpi << " DPI";
        EXPECT_GE(layout.Background().cy, client.cy) << nDpi << " DPI";
        EXPECT_TRUE(Inside(layout.StartButton(), client)) << nDpi << " DPI";
        EXPECT_TRUE(Inside(layout.LogPane(), client)) << nDpi << " DPI";
        EXPECT_TRUE(Inside(layout.RestoreButton(), client)) << nDpi << " DPI";
        const SkinRect log = layout.LogPane();
        EXPECT_LE(layout.StartButton().y + layout.StartButton().cy, log.y) << nDpi << " DPI";
        EXPECT_GE(layout.RestoreButton().y, log.y + log.cy) << nDpi << " DPI";
    }
}

bool Overlap(const SkinRect& a, const SkinRect& b)
{
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

// The windows over the picture's texts tell screen readers the texts; at any scale they lie in
// the client area and over none of the controls, whose clicks they must not catch, nor over each
// other.
TEST(SkinLayoutTest, PictureTextsStayInsideAndClearOfTheControlsAtEveryDpi)
{
    for (int nDpi = 48; nDpi <= 480; ++nDpi) {
        const CSkinLayout layout{CDisplayScale(nDpi)};
        const SkinRect texts[] = {layout.Step(1), layout.Step(2), layout.Step(3), layout.Hint(), layout.LogHeading()};
        const SkinRect controls[] = {layout.StartButton(), layout.LogPane(), layout.RestoreButton()};
        for (const SkinRect& text : texts) {
            EXPECT_GT(text.cx, 0) << nDpi << " DPI";
            EXPECT_TRUE(Inside(text, layout.Client())) << text << " at " << nDpi << " DPI";
            for (const SkinRect& control : controls)
                EXPECT_FALSE(Overlap(text, control)) << text << " on " << control << " at " << nDpi << " DPI";
            for (const SkinRect& other : texts)
                EXPECT_TRUE(&other == &text || !Overlap(text, other)) << text << " on " << other << " at " << nDpi;
        }
    }
    const CSkinLayout layout{CDisplayScale(96)};
    EXPECT_EQ(layout.Step(0), SkinRect{});
    EXPECT_EQ(layout.Step(4), SkinRect{});
}

} // namespace
