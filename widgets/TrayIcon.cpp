#include "widgets/TrayIcon.h"

#include <cstring>

#include "framework/App.h"
#include "framework/Handles.h"

namespace {

// A function of our own rather than the import itself, so the pointer below is set before
// any code of the program runs, whatever the order of static construction.
BOOL WINAPI CallShell(DWORD message, PNOTIFYICONDATAA data) { return ::Shell_NotifyIconA(message, data); }

}  // namespace

ShellNotifyIconProc ShellNotifyIcon = CallShell;

namespace {

// Notification icons came with Windows 4.
constexpr BYTE kFirstShellVersion = 4;
constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// Guesses of the notification corner when only the taskbar's position is known: a strip
// this far up (or left) from the taskbar's far end, stopping short of the very edge.
constexpr LONG kTaskbarTrayOffset = 100;
constexpr LONG kTaskbarTrayInset = 16;
// The corner of the work area taken when there is no taskbar at all.
constexpr LONG kWorkAreaTrayWidth = 150;
constexpr LONG kWorkAreaTrayHeight = 30;
// A clock whose bottom is this close to the notification window's bottom sits beside the
// icons; higher up, it sits above them.
constexpr LONG kClockBottomSlack = 5;

constexpr char kNotifyWindowClass[] = "TrayNotifyWnd";
constexpr char kClockWindowClass[] = "TrayClockWClass";
constexpr char kTaskbarWindowClass[] = "Shell_TrayWnd";

constexpr UINT kRestoreRedrawFlags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

BYTE WindowsMajorVersion() { return LOBYTE(LOWORD(::GetVersion())); }

void CopyTip(char (&field)[CTrayIcon::TipLimit], const char* text) {
    std::memset(field, 0, sizeof field);
    if (!text) return;
    std::memcpy(field, text, ::strnlen(text, CTrayIcon::TipLimit - 1));
}

void SetVisibleStyle(HWND window, bool visible) {
    LONG style = ::GetWindowLongA(window, GWL_STYLE);
    style = visible ? (style | WS_VISIBLE) : (style & ~static_cast<LONG>(WS_VISIBLE));
    ::SetWindowLongA(window, GWL_STYLE, style);
}

}  // namespace

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon() {
    DeleteTrayIcon();
    DestroyWindow();
}

bool CTrayIcon::CreateTrayIcon(fw::CWnd* parent, UINT callbackMessage, const char* tipText, HICON icon,
                               UINT iconId) {
    ShellSupported = WindowsMajorVersion() >= kFirstShellVersion ? TRUE : FALSE;
    if (!ShellSupported) return false;

    // Without its own window the icon still works; it is only not re-added when the shell
    // restarts.
    if (fw::CWnd::RegisterClass(kTrayWindowClass, 0)) {
        CreateEx(0, kTrayWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
    }

    IconRecord = NOTIFYICONDATAA{};
    IconRecord.cbSize = sizeof(NOTIFYICONDATAA);
    IconRecord.hWnd = parent ? parent->hwnd() : nullptr;
    IconRecord.uID = iconId;
    IconRecord.hIcon = icon;
    IconRecord.uFlags = kAddFlags;
    IconRecord.uCallbackMessage = callbackMessage;
    CopyTip(IconRecord.szTip, tipText);
    AddFlags = kAddFlags;

    BOOL added = ShellNotifyIcon(NIM_ADD, &IconRecord);
    IconHidden = IconRemoved = added ? FALSE : TRUE;
    return added != FALSE;
}

void CTrayIcon::DeleteTrayIcon() {
    if (!ShellSupported || IconRemoved) return;
    IconRecord.uFlags = 0;
    if (ShellNotifyIcon(NIM_DELETE, &IconRecord)) IconHidden = IconRemoved = TRUE;
}

void CTrayIcon::ReinstateIcon() {
    if (IconHidden) return;
    IconRecord.uFlags = AddFlags;
    IconHidden = ShellNotifyIcon(NIM_ADD, &IconRecord) ? FALSE : TRUE;
}

LRESULT CTrayIcon::HandleTrayMessage(WPARAM wParam, LPARAM lParam) {
    if (wParam != IconRecord.uID) return 0;
    HWND target = fw::AppMainWindow();
    if (!target) return 0;

    switch (LOWORD(lParam)) {
    case WM_RBUTTONUP: {
        fw::UniqueMenu menu(::LoadMenuA(fw::AppInstance(), MAKEINTRESOURCEA(IconRecord.uID)));
        if (!menu) return 0;
        HMENU popup = ::GetSubMenu(menu.get(), 0);
        if (!popup) return 0;
        ::SetMenuDefaultItem(popup, 0, FALSE);
        AdjustPopupMenu(popup);
        POINT cursor{};
        ::GetCursorPos(&cursor);
        // The menu only closes on a click elsewhere when its owner is the foreground window,
        // and the null message afterwards lets the next click open it again.
        ::SetForegroundWindow(target);
        ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, target, nullptr);
        ::PostMessageA(target, WM_NULL, 0, 0);
        break;
    }
    case WM_LBUTTONDBLCLK:
        ::SetForegroundWindow(target);
        ::PostMessageA(target, WM_COMMAND, 0, 0);
        break;
    default:
        break;
    }
    return 1;
}

void CTrayIcon::AdjustPopupMenu(HMENU) {}

LRESULT CTrayIcon::OnSettingChange(UINT msg, WPARAM wParam, LPARAM lParam, bool&) {
    LRESULT result = DefaultProc(msg, wParam, lParam);
    // A new work area may mean a new taskbar, which starts without our icon.
    if (wParam == SPI_SETWORKAREA) ReinstateIcon();
    return result;
}

LRESULT CTrayIcon::OnTaskbarCreated(UINT, WPARAM, LPARAM, bool& handled) {
    // An id of 0 means the registration failed; 0 is WM_NULL, which is not ours to take.
    if (TaskbarCreatedMessage == 0) {
        handled = false;
        return 0;
    }
    ReinstateIcon();
    return 0;
}

bool NarrowTrayArea(const char* className, const RECT& windowRect, RECT& area) {
    if (std::strcmp(className, kNotifyWindowClass) == 0) {
        area = windowRect;
        return true;
    }
    if (std::strcmp(className, kClockWindowClass) == 0) {
        if (windowRect.bottom < area.bottom - kClockBottomSlack) {
            area.top = windowRect.bottom;
        } else {
            area.right = windowRect.left;
        }
        return false;
    }
    return true;
}

std::optional<RECT> TrayAreaOfTaskbar(const RECT& taskbar, UINT edge) {
    switch (edge) {
    case ABE_LEFT:
    case ABE_RIGHT:
        return RECT{taskbar.left, taskbar.bottom - kTaskbarTrayOffset, taskbar.right,
                    taskbar.bottom - kTaskbarTrayInset};
    case ABE_TOP:
    case ABE_BOTTOM:
        return RECT{taskbar.right - kTaskbarTrayOffset, taskbar.top, taskbar.right - kTaskbarTrayInset,
                    taskbar.bottom};
    default:
        return std::nullopt;
    }
}

RECT TrayAreaOfWorkArea(const RECT& workArea) {
    RECT area = workArea;
    area.left = area.right - kWorkAreaTrayWidth;
    area.top = area.bottom - kWorkAreaTrayHeight;
    return area;
}

BOOL CALLBACK ProbeTrayChild(HWND window, LPARAM rect) {
    auto* area = reinterpret_cast<RECT*>(rect);
    char className[256] = "";
    ::GetClassNameA(window, className, sizeof className);
    RECT windowRect{};
    ::GetWindowRect(window, &windowRect);
    return NarrowTrayArea(className, windowRect, *area) ? TRUE : FALSE;
}

void FindTrayArea(RECT& rect) {
    if (HWND taskbar = ::FindWindowA(kTaskbarWindowClass, nullptr)) {
        ::GetWindowRect(taskbar, &rect);
        ::EnumChildWindows(taskbar, ProbeTrayChild, reinterpret_cast<LPARAM>(&rect));
        return;
    }
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    if (::SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
        if (std::optional<RECT> area = TrayAreaOfTaskbar(bar.rc, bar.uEdge)) {
            rect = *area;
            return;
        }
    }
    RECT workArea{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    rect = TrayAreaOfWorkArea(workArea);
}

bool AnimationEnabled() {
    ANIMATIONINFO info{};
    info.cbSize = sizeof info;
    if (!::SystemParametersInfoA(SPI_GETANIMATION, sizeof info, &info, 0)) return false;
    return info.iMinAnimate != 0;
}

void DetachFromTaskbar(HWND window) {
    if (!TrayOwnerWindow.hwnd()) {
        if (!fw::CWnd::RegisterClass(kTrayWindowClass, 0)) return;
        if (!TrayOwnerWindow.CreateEx(0, kTrayWindowClass, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr)) {
            return;
        }
    }
    ::SetParent(window, TrayOwnerWindow.hwnd());
}

void HideToTray(HWND window) {
    if (AnimationEnabled()) {
        RECT from{};
        ::GetWindowRect(window, &from);
        RECT to{};
        FindTrayArea(to);
        ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    DetachFromTaskbar(window);
    // The window is already off screen inside its invisible owner; the style bit alone
    // marks it hidden without handing the activation to some other window.
    SetVisibleStyle(window, false);
}

void RestoreFromTray(HWND window) {
    if (AnimationEnabled()) {
        RECT to{};
        ::GetWindowRect(window, &to);
        RECT from{};
        FindTrayArea(from);
        ::SetParent(window, nullptr);
        ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    } else {
        ::SetParent(window, nullptr);
    }
    SetVisibleStyle(window, true);
    ::RedrawWindow(window, nullptr, nullptr, kRestoreRedrawFlags);
    if (HWND owner = TrayOwnerWindow.hwnd()) ::SetActiveWindow(owner);
    ::SetActiveWindow(window);
    ::SetForegroundWindow(window);
}
