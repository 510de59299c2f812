#pragma once

// What the button's state machine asks of its window. The Win32 button carries these out with
// the platform calls; tests record them.
class ISkinButtonActions {
public:
    virtual void SetCapture() = 0;
    // True when the platform released the capture.
    [[nodiscard]] virtual bool ReleaseCapture() = 0;
    // Repaints the whole button later, without erasing it first.
    virtual void Repaint() = 0;
    // Posts WM_COMMAND with BN_CLICKED to the parent.
    virtual void PostClick() = 0;
    virtual void EnableWindow(bool bEnable) = 0;

protected:
    ~ISkinButtonActions() = default;
};
