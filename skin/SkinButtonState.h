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

// The behaviour of the bitmap push button: how mouse events, enabling and hiding change its
// state and what the window must do about it. It knows no window; its actions go through
// ISkinButtonActions in the order the window must carry them out.
class CSkinButtonState {
public:
    enum { stateNormal = 1, stateHover = 2, statePressed = 3 };

    explicit CSkinButtonState(ISkinButtonActions& actions) : m_actions(actions) {}

    void OnMouseMove(bool bInside);
    void OnLButtonDown();
    void OnLButtonUp();
    // The window is being hidden.
    void OnHide();
    // Before new images are loaded.
    void OnSetBitmaps();
    void EnableButton(bool bEnable);

    // The image to draw for the current state: the first of the state's choices that is loaded.
    [[nodiscard]] SkinImage ChooseImage(const SkinImageSet& loaded) const;

    bool IsEnabled() const { return m_bEnabled; }
    bool IsCaptured() const { return m_bCaptured; }
    bool IsMouseDown() const { return m_bMouseDown; }
    int GetState() const { return m_nState; }

private:
    void TakeCapture();
    void SetState(int nState);

    ISkinButtonActions& m_actions;
    bool m_bEnabled = true;
    bool m_bCaptured = false;
    bool m_bMouseDown = false;
    int m_nState = stateNormal;
};
