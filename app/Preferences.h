// The program's kept numbers and its start-with-Windows entry: names, defaults and the
// text forms, apart from the window that uses them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/Version.h"

// Values of the program's own key.
constexpr char kCheckPeriodNumValue[] = "CheckPeriodNum";
constexpr char kCheckPeriodComboValue[] = "CheckPeriodCombo";
constexpr char kAccelerateNValue[] = "AccelerateN";
constexpr char kNetworkValue[] = "Network";

constexpr DWORD kDefaultCheckPeriodNum = 12;
constexpr DWORD kDefaultAccelerateN = 7;
constexpr DWORD kDefaultCheckPeriodCombo = 0;
constexpr DWORD kDefaultNetwork = 0;

// The start-with-Windows entry: a value named after the product under the user's Run key.
constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kStartupEntryName = kProductName;
// Capacity of the buffer the module path is read into, terminating NUL included.
constexpr DWORD kModulePathBufferSize = 256;

// A kept number as the window holds it: its decimal text ("%d" of the stored 32 bits).
std::string KeptNumberText(DWORD value);
// The kept text back to the number to store: an optional sign and the leading decimal
// digits, 0 when there are none, limited to the 32-bit range. It undoes KeptNumberText
// exactly, so a stored number survives being read and written back.
DWORD KeptNumberValue(const std::string& text);

// The path GetModuleFileNameA left in a buffer of `capacity` bytes after reporting `length`;
// nothing when the call failed or the path did not fit (the buffer then holds a cut path).
std::optional<std::string> ModulePathFromBuffer(const char* buffer, DWORD length, DWORD capacity);
// The entry's data: the path in double quotes, a blank and -tray.
std::string StartupEntryData(const std::string& modulePath);
