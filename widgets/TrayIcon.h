// The notification-area icon of the main window, and hiding a window into that area.
#pragma once

#include <windows.h>

#include "framework/Wnd.h"

class CTrayIcon : public fw::CWnd {
public:
    CTrayIcon();
    ~CTrayIcon() override;

    bool CreateTrayIcon(fw::CWnd* parent, UINT callbackMessage, const char* tipText, HICON icon, UINT iconId);
    void DeleteTrayIcon();
    virtual LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam);
    virtual void AdjustPopupMenu(HMENU popup);
};

// Process-wide, built in this order right after the settings object (see the program's
// static objects): the registered "TaskbarCreated" message and the hidden owner window.
extern const UINT TaskbarCreatedMessage;
extern fw::CWnd TrayOwnerWindow;

void HideToTray(HWND window);
void RestoreFromTray(HWND window);
