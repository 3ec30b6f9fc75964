// A standard button with a tooltip, whose double click counts as a second press.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/Handles.h"

// A tooltip control window ("tooltips_class32"), owned by its object.
class CToolTipCtrl {
public:
    bool Create(HWND owner, DWORD style);
    // False also when the system has destroyed the window together with its owner.
    bool HasWindow() const { return window_ && ::IsWindow(window_.get()) != FALSE; }
    HWND hwnd() const { return window_.get(); }

    void Activate(BOOL activate) const;
    void SetMaxTipWidth(int width) const;
    int GetToolCount() const;
    bool AddTool(HWND window, UINT_PTR id, const RECT& rect, const char* text) const;
    void UpdateTipText(HWND window, UINT_PTR id, const char* text) const;
    void RelayEvent(MSG* msg) const;

private:
    struct WindowTraits {
        static HWND none() noexcept { return nullptr; }
        static void close(HWND window) noexcept {
            if (::IsWindow(window)) ::DestroyWindow(window);
        }
    };
    fw::UniqueResource<HWND, WindowTraits> window_;
};

class CTipButton : public fw::CButton {
public:
    CTipButton() = default;
    ~CTipButton() override;

    // Sets the one tip of the button (the first call adds it) and (de)activates it; a null
    // text changes nothing.
    void SetTipText(const char* text, BOOL activate);
    // Makes the tooltip window, inactive and without a tool, unless it exists.
    void PrepareTooltip();

    // Feeds the tooltip the button's mouse messages and turns a double click into a press.
    bool PreTranslateMessage(MSG* msg) override;

    HWND TooltipWindow() const { return tooltip_.hwnd(); }

protected:
    // Extra style bits of the tooltip window: none, so it is a plain tip shown only while
    // the button's top-level window is active.
    DWORD TooltipStyle = 0;

private:
    CToolTipCtrl tooltip_;
};
