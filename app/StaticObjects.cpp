// The program's static objects. C++ orders the construction of statics only within one
// file, so all of them are defined here, in the order they must be built; they are
// destroyed in the reverse order after the exit step, the settings writing their file
// back after the main window has gone.
#include <windows.h>

#include "app/NimbrelApp.h"
#include "settings/Settings.h"
#include "widgets/TrayIcon.h"

CNimbrelApp theApp;
CSettings theSettings;
const UINT TaskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");
fw::CWnd TrayOwnerWindow;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.Run(instance); }
