// Loading system DLLs at run time from the system folder only, so that a DLL of the same
// name lying beside the executable is never picked up.
#pragma once

#include <windows.h>

namespace fw {

// The module, or null when it cannot be loaded from the system folder. Never freed: the
// callers keep the functions they resolve for the life of the process.
HMODULE LoadSystemLibrary(const char* fileName);

}  // namespace fw
