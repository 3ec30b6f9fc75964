// The scrolling two-line graph of the main window.
#pragma once

#include <windows.h>

#include "framework/Wnd.h"

class CHistogramCtrl : public fw::CWnd {
public:
    CHistogramCtrl();
    ~CHistogramCtrl() override;

    bool CreateControl(DWORD style, const RECT& rect, fw::CWnd* parent, UINT id);
    void SetValueRange(int lo, int hi);
    UINT SetScrollInterval(UINT milliseconds);
    void AddSample(UINT a, UINT b);
    void SetPenColor(int width, COLORREF colour1);
};
