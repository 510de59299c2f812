#include "skin/SkinButtonState.h"

#include <initializer_list>

namespace {

bool Holds(const SkinImageSet& loaded, SkinImage image)
{
    switch (image) {
    case SkinImage::Normal:
        return loaded.bNormal;
    case SkinImage::Hover:
        return loaded.bHover;
    case SkinImage::Pressed:
        return loaded.bPressed;
    case SkinImage::Disabled:
        return loaded.bDisabled;
    default:
        return false;
    }
}

} // namespace

void CSkinButtonState::TakeCapture()
{
    if (m_bCaptured)
        return;
    m_actions.SetCapture();
    m_bCaptured = true;
}

void CSkinButtonState::SetState(int nState)
{
    m_nState = nState;
    m_actions.Repaint();
}

void CSkinButtonState::OnMouseMove(bool bInside)
{
    if (!m_bEnabled)
        return;
    TakeCapture();
    if (bInside) {
        if (m_nState == stateNormal)
            SetState(stateHover);
        if (m_nState != statePressed && m_bMouseDown)
            SetState(statePressed);
    } else if (m_bMouseDown) {
        // Held and dragged away: the hover look tells the user that a release here won't click.
        if (m_nState != stateHover)
            SetState(stateHover);
    } else if (m_actions.ReleaseCapture()) {
        m_bCaptured = false;
        SetState(stateNormal);
    }
}

void CSkinButtonState::OnLButtonDown()
{
    if (!m_bEnabled)
        return;
    TakeCapture();
    // The mouse takes over a press that Space began: its release decides.
    m_bSpaceDown = false;
    m_bMouseDown = true;
    SetState(statePressed);
}

void CSkinButtonState::OnLButtonUp()
{
    if (!m_bEnabled)
        return;
    if (m_bCaptured) {
        (void)m_actions.ReleaseCapture();
        m_bCaptured = false;
    }
    if (!m_bMouseDown)
        return;
    m_bMouseDown = false;
    const bool bClick = m_nState == statePressed;
    m_nState = stateNormal;
    if (bClick)
        m_actions.PostClick();
    m_actions.Repaint();
}

void CSkinButtonState::OnSpaceDown()
{
    // The key repeats while held; a press the mouse holds is the mouse's.
    if (!m_bEnabled || m_bSpaceDown || m_bMouseDown)
        return;
    m_bSpaceDown = true;
    SetState(statePressed);
}

void CSkinButtonState::OnSpaceUp()
{
    if (!m_bSpaceDown)
        return;
    m_bSpaceDown = false;
    m_nState = stateNormal;
    m_actions.PostClick();
    m_actions.Repaint();
}

void CSkinButtonState::OnSetFocus(bool bByKeyboard)
{
    m_bFocused = true;
    if (bByKeyboard)
        m_bKeyboardCues = true;
    m_actions.Repaint();
}

void CSkinButtonState::ShowKeyboardCues(bool bShow)
{
    m_bKeyboardCues = bShow;
    m_actions.Repaint();
}

void CSkinButtonState::OnKillFocus()
{
    m_bFocused = false;
    if (m_bSpaceDown) {
        m_bSpaceDown = false;
        m_nState = stateNormal;
    }
    m_actions.Repaint();
}

void CSkinButtonState::OnHide()
{
    if (!m_bCaptured)
        return;
    (void)m_actions.ReleaseCapture();
    m_bCaptured = false;
}

void CSkinButtonState::OnSetBitmaps()
{
    if (m_bCaptured && m_actions.ReleaseCapture())
        m_bCaptured = false;
}

void CSkinButtonState::EnableButton(bool bEnable)
{
    m_bEnabled = bEnable;
    if (m_bCaptured) {
        (void)m_actions.ReleaseCapture();
        m_bCaptured = false;
    }
    m_actions.EnableWindow(m_bEnabled);
    m_nState = stateNormal;
    m_bMouseDown = false;
    m_bSpaceDown = false;
    m_actions.Repaint();
}

bool CSkinButtonState::ShowsFocusCue(bool bCuesHidden) const
{
    return m_bFocused && m_bEnabled && m_bKeyboardCues && !bCuesHidden;
}

SkinImage CSkinButtonState::ChooseImage(const SkinImageSet& loaded) const
{
    auto first = [&loaded](std::initializer_list<SkinImage> choices) {
        for (SkinImage image : choices) {
            if (Holds(loaded, image))
                return image;
        }
        return SkinImage::None;
    };
    if (!m_bEnabled)
        return first({SkinImage::Disabled, SkinImage::Normal});
    switch (m_nState) {
    case stateNormal:
        return first({SkinImage::Normal});
    case stateHover:
        return first({SkinImage::Hover, SkinImage::Normal});
    case statePressed:
        return first({SkinImage::Pressed, SkinImage::Hover, SkinImage::Normal});
    default:
        return SkinImage::None;
    }
}
