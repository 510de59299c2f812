#include "skin/SkinButtonState.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Records what the state machine asks of its window, as one word per action.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): final, never deleted through the interface
class CRecordingActions final : public ISkinButtonActions {
public:
    void SetCapture() override { Record("capture"); }
    bool ReleaseCapture() override
    {
        Record("release");
        return m_bReleaseWorks;
    }
    void Repaint() override { Record("paint"); }
    void PostClick() override
    {
        Record("click");
        ++m_nClicks;
    }
    void EnableWindow(bool bEnable) override { Record(bEnable ? "enable" : "disable"); }

    std::string m_trace;
    int m_nClicks = 0;
    bool m_bReleaseWorks = true;

private:
    void Record(const char* word) { m_trace += m_trace.empty() ? word : std::string(" ") + word; }
};

// Events as words: in/out (mouse moves inside or outside), down/up (left button), dblclk
// (consumed by the window, so the machine never sees it), space/spaceup (the Space key),
// focus/tab/blur (the keyboard focus comes, comes by a navigation key, goes), cues/nocues
// (Windows shows or hides keyboard cues), hide, bitmaps, enable/disable,
// failrelease/workrelease (how the platform's ReleaseCapture answers from then on).
void Drive(CSkinButtonState& button, CRecordingActions& actions, const std::string& events)
{
    std::istringstream words(events);
    std::string event;
    while (words >> event) {
        if (event == "in")
            button.OnMouseMove(true);
        else if (event == "out")
            button.OnMouseMove(false);
        else if (event == "down")
            button.OnLButtonDown();
        else if (event == "up")
            button.OnLButtonUp();
        else if (event == "space")
            button.OnSpaceDown();
        else if (event == "spaceup")
            button.OnSpaceUp();
        else if (event == "focus" || event == "tab")
            button.OnSetFocus(event == "tab");
        else if (event == "cues" || event == "nocues")
            button.ShowKeyboardCues(event == "cues");
        else if (event == "blur")
            button.OnKillFocus();
        else if (event == "hide")
            button.OnHide();
        else if (event == "bitmaps")
            button.OnSetBitmaps();
        else if (event == "enable" || event == "disable")
            button.EnableButton(event == "enable");
        else if (event == "failrelease" || event == "workrelease")
            actions.m_bReleaseWorks = event == "workrelease";
        else if (event != "dblclk")
            FAIL() << "unknown event " << event;
    }
}

struct MouseCase {
    // cppcheck-suppress unusedStructMember ; read by the test name generator below, which cppcheck misses
    const char* szName;
    const char* szEvents;
    const char* szTrace;  // the window's actions, in order
    int nState;
    bool bCaptured;
    bool bMouseDown;
    bool bEnabled;
    int nClicks;
};

const MouseCase kMouseCases[] = {
    {"pointer comes over", "in", "capture paint", 2, true, false, true, 0},
    {"pointer rests over", "in in in", "capture paint", 2, true, false, true, 0},
    {"pointer comes and goes", "in out", "capture paint release paint", 1, false, false, true, 0},
    {"click", "in down up", "capture paint paint release click paint", 1, false, false, true, 1},
    {"press without a move first", "down up", "capture paint release click paint", 1, false, false, true, 1},
    {"hover again after a click", "in down up in", "capture paint paint release click paint capture paint", 2, true, false, true, 1},
    {"held: moves inside change nothing", "in down in in", "capture paint paint", 3, true, true, true, 0},
    {"press, drag out: hover look, capture kept", "in down out out", "capture paint paint paint", 2, true, true, true, 0},
    {"press, drag out, release outside: no click", "in down out up", "capture paint paint paint release paint", 1, false, false, true, 0},
    {"press, drag out and back in, release: one click", "in down out in up", "capture paint paint paint paint release click paint", 1, false, false, true, 1},
    {"double-click: the second press is consumed", "in down up in dblclk up", "capture paint paint release click paint capture paint release", 2, false, false, true, 1},
    {"leaving while ReleaseCapture fails keeps hover", "in failrelease out out", "capture paint release release", 2, true, false, true, 0},
    {"leaving retries ReleaseCapture", "in failrelease out workrelease out", "capture paint release release paint", 1, false, false, true, 0},
    {"release after a failed ReleaseCapture still clicks", "in down failrelease up", "capture paint paint release click paint", 1, false, false, true, 1},
    {"disabled ignores the mouse", "disable in down up out", "disable paint", 1, false, false, false, 0},
    {"disable while hovering releases the capture", "in disable", "capture paint release disable paint", 1, false, false, false, 0},
    {"disable while held: the release clicks nothing", "in down disable up", "capture paint paint release disable paint", 1, false, false, false, 0},
    {"disable while ReleaseCapture fails still forgets it", "in failrelease disable", "capture paint release disable paint", 1, false, false, false, 0},
    {"enable over the button: normal until the next move", "in disable enable", "capture paint release disable paint enable paint", 1, false, false, true, 0},
    {"enable, then a move shows hover", "in disable enable in", "capture paint release disable paint enable paint capture paint", 2, true, false, true, 0},
    {"hiding releases a held capture only", "in hide", "capture paint release", 2, false, false, true, 0},
    {"hiding without the capture does nothing", "hide", "", 1, false, false, true, 0},
    {"new bitmaps release the capture, no repaint", "in down bitmaps", "capture paint paint release", 3, false, true, true, 0},
    {"new bitmaps keep the capture when ReleaseCapture fails", "in failrelease bitmaps", "capture paint release", 2, true, false, true, 0},
    {"Space: pressed look on key-down, click on key-up", "focus space spaceup", "paint paint click paint", 1, false, false, true, 1},
    {"Space held: the repeats press once, one click", "focus space space space spaceup", "paint paint click paint", 1, false, false, true, 1},
    {"Space: the focus leaves before the key-up, no click", "focus space blur spaceup", "paint paint paint", 1, false, false, true, 0},
    {"Space: a key-up without its key-down clicks nothing", "focus spaceup", "paint", 1, false, false, true, 0},
    {"Space on a disabled button does nothing", "focus disable space spaceup", "paint disable paint", 1, false, false, false, 0},
    {"Space: disabled between key-down and key-up, no click", "focus space disable spaceup", "paint paint disable paint", 1, false, false, false, 0},
    {"Space while the mouse holds the button: one click", "focus in down space up spaceup", "paint capture paint paint release click paint", 1, false, false, true, 1},
    {"a mouse press takes over a Space press: one click", "focus space in down spaceup up", "paint paint capture paint release click paint", 1, false, false, true, 1},
};

class SkinButtonMouse : public testing::TestWithParam<MouseCase> {};

TEST_P(SkinButtonMouse, EventSequence)
{
    const MouseCase& c = GetParam();
    CRecordingActions actions;
    CSkinButtonState button(actions);
    Drive(button, actions, c.szEvents);
    EXPECT_EQ(actions.m_trace, c.szTrace);
    EXPECT_EQ(button.GetState(), c.nState);
    EXPECT_EQ(button.IsCaptured(), c.bCaptured);
    EXPECT_EQ(button.IsMouseDown(), c.bMouseDown);
    EXPECT_EQ(button.IsEnabled(), c.bEnabled);
    EXPECT_EQ(actions.m_nClicks, c.nClicks);
}

INSTANTIATE_TEST_SUITE_P(Table, SkinButtonMouse, testing::ValuesIn(kMouseCases),
                         [](const testing::TestParamInfo<MouseCase>& info) {
                             std::string name;
                             for (const char* p = info.param.szName; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(SkinButtonState, StartsEnabledNormalWithoutCaptureOrPress)
{
    CRecordingActions actions;
    CSkinButtonState button(actions);
    EXPECT_TRUE(button.IsEnabled());
    EXPECT_EQ(button.GetState(), 1);
    EXPECT_FALSE(button.IsCaptured());
    EXPECT_FALSE(button.IsMouseDown());
}

TEST(SkinButtonState, ShowsTheFocusCueOnlyWithTheFocusWhileWindowsShowsCues)
{
    const struct {
        const char* szEvents;
        bool bCuesHidden;
        bool bShows;
    } cases[] = {
        {"", false, false},                  // no focus
        {"focus", false, false},             // the focus the window starts with: no key yet
        {"tab", false, true},                // Tab brought the focus
        {"tab", true, false},                // ... but Windows hides the cues in the window
        {"tab blur", false, false},
        {"tab blur focus", false, true},     // cues asked for once stay, as in Windows
        {"cues focus", false, true},         // the user's setting: cues always
        {"cues focus nocues", false, false},
        {"focus cues", false, true},         // Windows shows the cues (WM_UPDATEUISTATE)
        {"tab space", false, true},          // pressed by Space, still focused
        {"focus space", false, false},       // Space is no navigation key
        {"tab disable", false, false},       // a disabled button never shows the focus
        {"tab disable enable", false, true},
        {"tab in down up", false, true},
    };
    for (const auto& c : cases) {
        CRecordingActions actions;
        CSkinButtonState button(actions);
        Drive(button, actions, c.szEvents);
        EXPECT_EQ(button.ShowsFocusCue(c.bCuesHidden), c.bShows)
            << "after \"" << c.szEvents << "\", cues " << (c.bCuesHidden ? "hidden" : "shown");
    }
}

struct ImageCase {
    const char* szImages;  // loaded images: N normal, H hover, P pressed, D disabled
    // Image drawn in the normal, hover and pressed states and when disabled.
    SkinImage normal, hover, pressed, disabled;
};

constexpr SkinImage N = SkinImage::Normal, H = SkinImage::Hover, P = SkinImage::Pressed,
                    D = SkinImage::Disabled, X = SkinImage::None;

const ImageCase kImageCases[] = {
    {"NHPD", N, H, P, D},  // the start and restore buttons: all four loaded
    {"", X, X, X, X},      // nothing loaded draws nothing
    {"N", N, N, N, N},     // a lone normal image serves every look
    {"NH", N, H, H, N},    // no pressed image: pressed shows hover
    {"NP", N, N, P, N},
    {"ND", N, N, N, D},
    {"HPD", X, H, P, D},   // no normal image: the normal state has no fall-back
    {"P", X, X, P, X},
};

TEST(SkinButtonState, ChoosesTheFirstLoadedImageOfEachLook)
{
    for (const ImageCase& c : kImageCases) {
        const std::string images = c.szImages;
        SkinImageSet loaded;
        loaded.bNormal = images.find('N') != std::string::npos;
        loaded.bHover = images.find('H') != std::string::npos;
        loaded.bPressed = images.find('P') != std::string::npos;
        loaded.bDisabled = images.find('D') != std::string::npos;
        const struct { const char* szEvents; SkinImage expected; } looks[] = {
            {"", c.normal}, {"in", c.hover}, {"in down", c.pressed}, {"in disable", c.disabled}};
        for (const auto& look : looks) {
            CRecordingActions actions;
            CSkinButtonState button(actions);
            Drive(button, actions, look.szEvents);
            EXPECT_EQ(button.ChooseImage(loaded), look.expected)
                << "images \"" << images << "\" after \"" << look.szEvents << "\"";
        }
    }
}

} // namespace
