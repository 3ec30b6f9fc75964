// A standard button with a tooltip, whose double click counts as a second press.
#pragma once

#include <windows.h>

#include "framework/Controls.h"

class CTipButton : public fw::CButton {
public:
    void SetTipText(const char* text, BOOL activate);
};
