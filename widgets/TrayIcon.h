// The notification-area icon of the main window, and hiding a window into that area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <optional>

#include "framework/Wnd.h"

// The one shell call of the tray icon. Tests put a stand-in here to make the shell refuse
// or accept an icon and to count the calls; the program never changes it.
using ShellNotifyIconProc = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
extern ShellNotifyIconProc ShellNotifyIcon;

// Process-wide, built in this order right after the settings object (see the program's
// static objects): the registered "TaskbarCreated" message and the hidden owner window.
extern const UINT TaskbarCreatedMessage;
extern fw::CWnd TrayOwnerWindow;

// The plain window class of the icon's own window and of the tray owner window.
constexpr char kTrayWindowClass[] = "KelvaraTrayWindow";

class CTrayIcon : public fw::CWnd {
public:
    // Size of the tip field, its terminator included: longer tips are cut to TipLimit - 1 bytes.
    static constexpr size_t TipLimit = sizeof(NOTIFYICONDATAA::szTip);

    CTrayIcon();
    ~CTrayIcon() override;

    // Creates the icon's own window (which hears the shell's broadcasts) and adds the icon;
    // false when the icon could not be added.
    bool CreateTrayIcon(fw::CWnd* parent, UINT callbackMessage, const char* tipText, HICON icon, UINT iconId);
    void DeleteTrayIcon();

    // The icon's callback: 1 when wParam is this icon and the message could be acted on.
    virtual LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam);
    // Sees the popup menu just before it opens.
    virtual void AdjustPopupMenu(HMENU popup);

    BEGIN_MSG_MAP(CTrayIcon, fw::CWnd)
        MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
        MESSAGE_HANDLER(TaskbarCreatedMessage, OnTaskbarCreated)
    END_MSG_MAP()

protected:
    // Adds the icon again after the shell has lost it, as long as it counts as shown.
    void ReinstateIcon();

    NOTIFYICONDATAA IconRecord{};
    BOOL ShellSupported = FALSE;
    BOOL IconHidden = TRUE;
    BOOL IconRemoved = TRUE;
    UINT AddFlags = 0;

private:
    LRESULT OnSettingChange(UINT msg, WPARAM wParam, LPARAM lParam, bool&);
    LRESULT OnTaskbarCreated(UINT, WPARAM, LPARAM, bool& handled);
};

// Hiding a top-level window into the notification area and bringing it back; both
// animate the caption when the system's window animation is on.
void HideToTray(HWND window);
void RestoreFromTray(HWND window);

// What the two operations above are made of.
bool AnimationEnabled();
// The rectangle to animate to or from: the shell's notification window, else a guess from
// the taskbar's position, else the corner of the work area.
void FindTrayArea(RECT& rect);
// EnumChildWindows callback over the taskbar's windows; lParam is the RECT being narrowed.
BOOL CALLBACK ProbeTrayChild(HWND window, LPARAM rect);
// Re-parents the window to TrayOwnerWindow (made on first use), which takes its taskbar
// button away.
void DetachFromTaskbar(HWND window);

// The rectangle rules, free of any window.
//
// One window met while walking the taskbar: the notification window replaces the area,
// the clock narrows it; false when the walk should stop.
bool NarrowTrayArea(const char* className, const RECT& windowRect, RECT& area);
// A strip near the notification corner of a taskbar on the given ABE_* edge; none for an
// edge the shell does not define.
std::optional<RECT> TrayAreaOfTaskbar(const RECT& taskbar, UINT edge);
// The bottom-right corner of the work area.
RECT TrayAreaOfWorkArea(const RECT& workArea);
