#include "widgets/TrayIcon.h"

CTrayIcon::CTrayIcon() = default;
CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::CreateTrayIcon(fw::CWnd*, UINT, const char*, HICON, UINT) { return false; }
void CTrayIcon::DeleteTrayIcon() {}
LRESULT CTrayIcon::HandleTrayMessage(WPARAM, LPARAM) { return 0; }
void CTrayIcon::AdjustPopupMenu(HMENU) {}

void HideToTray(HWND window) {
    ::ShowWindow(window, SW_HIDE);
}

void RestoreFromTray(HWND window) {
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
}
