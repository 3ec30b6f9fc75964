#include "widgets/TipButton.h"

#include <commctrl.h>

#include "framework/App.h"

namespace {

constexpr UINT_PTR kToolId = 1;
// Longer tips wrap onto several lines.
constexpr int kMaxTipWidth = 400;

// The program runs with the common controls of version 5 (it asks for no other in its
// manifest), which refuse the larger record of later versions.
TOOLINFOA MakeToolInfo(HWND window, UINT_PTR id, const char* text) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = window;
    info.uId = id;
    info.lpszText = const_cast<char*>(text);
    return info;
}

}  // namespace

bool CToolTipCtrl::Create(HWND owner, DWORD style) {
    window_.reset(::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, fw::AppInstance(), nullptr));
    return static_cast<bool>(window_);
}

void CToolTipCtrl::Activate(BOOL activate) const {
    ::SendMessageA(hwnd(), TTM_ACTIVATE, static_cast<WPARAM>(activate), 0);
}

void CToolTipCtrl::SetMaxTipWidth(int width) const { ::SendMessageA(hwnd(), TTM_SETMAXTIPWIDTH, 0, width); }

int CToolTipCtrl::GetToolCount() const { return static_cast<int>(::SendMessageA(hwnd(), TTM_GETTOOLCOUNT, 0, 0)); }

bool CToolTipCtrl::AddTool(HWND window, UINT_PTR id, const RECT& rect, const char* text) const {
    TOOLINFOA info = MakeToolInfo(window, id, text);
    info.rect = rect;
    return ::SendMessageA(hwnd(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTipCtrl::UpdateTipText(HWND window, UINT_PTR id, const char* text) const {
    TOOLINFOA info = MakeToolInfo(window, id, text);
    ::SendMessageA(hwnd(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(MSG* msg) const {
    ::SendMessageA(hwnd(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

CTipButton::~CTipButton() = default;

void CTipButton::PrepareTooltip() {
    if (tooltip_.HasWindow()) return;
    if (!tooltip_.Create(hwnd(), WS_POPUP | TooltipStyle)) return;
    tooltip_.Activate(FALSE);
    tooltip_.SetMaxTipWidth(kMaxTipWidth);
}

void CTipButton::SetTipText(const char* text, BOOL activate) {
    if (!text) return;
    PrepareTooltip();
    if (!tooltip_.HasWindow()) return;
    if (tooltip_.GetToolCount() == 0) {
        // The tool keeps this rectangle; the buttons never change size.
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        tooltip_.AddTool(hwnd(), kToolId, client, text);
    }
    tooltip_.UpdateTipText(hwnd(), kToolId, text);
    tooltip_.Activate(activate);
}

bool CTipButton::PreTranslateMessage(MSG* msg) {
    PrepareTooltip();
    if (tooltip_.HasWindow()) tooltip_.RelayEvent(msg);
    // The button would take the second click of a double click as a double click (a
    // notification most owners ignore); a press keeps every click a click.
    if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    return fw::CButton::PreTranslateMessage(msg);
}
