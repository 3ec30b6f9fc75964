// The process-wide objects the program defines beside its application object; a test
// executable has no application object, so it defines these two itself.
#include "widgets/TrayIcon.h"

const UINT TaskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");
fw::CWnd TrayOwnerWindow;
