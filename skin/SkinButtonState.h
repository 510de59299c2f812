#pragma once

#include "skin/ISkinButtonActions.h"

// The images a button can draw.
enum class SkinImage { None, Normal, Hover, Pressed, Disabled };

// Which of the four images hold a bitmap.
struct SkinImageSet {
    bool bNormal = false;
    bool bHover = false;
    bool bPressed = false;
    bool bDisabled = false;
};

// The behaviour of the bitmap push button: how mouse events, the Space key, the keyboard focus,
// enabling and hiding change its state and what the window must do about it. It knows no window; its actions go through
// ISkinButtonActions in the order the window must carry them out.
class CSkinButtonState {
public:
    enum { stateNormal = 1, stateHover = 2, statePressed = 3 };

    explicit CSkinButtonState(ISkinButtonActions& actions) : m_actions(actions) {}

    void OnMouseMove(bool bInside);
    void OnLButtonDown();
    void OnLButtonUp();
    // Space presses the focused button as on a standard push button: the pressed look while the
    // key is down, the click when it comes up, nothing when the focus leaves in between.
    void OnSpaceDown();
    void OnSpaceUp();
    // bByKeyboard: a navigation key (Tab, an arrow) brought the focus, which asks for keyboard
    // cues from then on, as Windows' dialog manager does.
    void OnSetFocus(bool bByKeyboard);
    void OnKillFocus();
    // Windows shows or hides keyboard cues in the window (WM_UPDATEUISTATE, or the user's
    // setting to show them always).
    void ShowKeyboardCues(bool bShow);
    // The window is being hidden.
    void OnHide();
    // Before new images are loaded.
    void OnSetBitmaps();
    void EnableButton(bool bEnable);

    // The image to draw for the current state: the first of the state's choices that is loaded.
    [[nodiscard]] SkinImage ChooseImage(const SkinImageSet& loaded) const;
    // Whether to draw the focus cue: with the focus, while keyboard cues are shown and Windows
    // does not hide them in the window (a mouse user's window shows none until a key asks).
    [[nodiscard]] bool ShowsFocusCue(bool bCuesHidden) const;

    bool IsEnabled() const { return m_bEnabled; }
    bool IsCaptured() const { return m_bCaptured; }
    bool IsMouseDown() const { return m_bMouseDown; }
    bool IsSpaceDown() const { return m_bSpaceDown; }
    bool HasFocus() const { return m_bFocused; }
    int GetState() const { return m_nState; }

private:
    void TakeCapture();
    void SetState(int nState);

    ISkinButtonActions& m_actions;
    bool m_bEnabled = true;
    bool m_bCaptured = false;
    bool m_bMouseDown = false;
    bool m_bSpaceDown = false;
    bool m_bFocused = false;
    bool m_bKeyboardCues = false;
    int m_nState = stateNormal;
};
