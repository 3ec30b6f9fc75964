// Helpers shared by the tests: paths, bounded waits with message pumping, the real
// program started in a folder of its own, and message boxes found and dismissed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test {

// A Linux path as Wine's Z: drive shows it.
std::string WinPath(const std::string& linuxPath);
// The folder of the built executables (Kelvara.exe, SkinMagic.dll, the tests).
std::string BinDir();
// A fresh, empty folder under the build tree for one test.
std::string FreshFolder(const std::string& name);
bool CopyInto(const std::string& file, const std::string& folder);
bool FileExists(const std::string& path);
// The whole file as bytes, or "(no file)" when it cannot be opened (shared with writers).
std::string ReadFileText(const std::string& path);

// Dispatches this thread's pending messages for about `ms` milliseconds.
void PumpMessages(DWORD ms);
// Pumps messages until `done` holds or the time is up; returns what `done` last said.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The visible or hidden top-level windows of one process with this class and/or title.
std::vector<HWND> TopWindowsOf(DWORD processId, const char* className, const char* title);
// Child window texts and classes, for messages in failures.
std::string ClassOf(HWND window);
std::string TextOf(HWND window);

// The real program started from a folder of its own. The process is ended (at most after a
// bounded wait) when the object goes.
class Program {
public:
    // Copies Kelvara.exe and SkinMagic.dll into a fresh folder named after the test.
    explicit Program(const std::string& folderName, bool withSkinLibrary = true);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const std::string& folder() const { return folder_; }
    std::string exePath() const { return folder_ + "\\Kelvara.exe"; }

    // Starts the copy; the working folder is the program's own unless one is given.
    bool Start(const std::string& arguments = "", const std::string& workingFolder = "");
    // The main window "Kelvara" of the process, once it is up (null after the timeout).
    HWND WaitForMainWindow(DWORD timeoutMs = 20000);
    // A message box (#32770 with the program's caption) the process shows, or null.
    HWND WaitForMessageBox(DWORD timeoutMs);
    // True when the process has ended within the time; exitCode() then holds its code.
    bool WaitForExit(DWORD timeoutMs);
    DWORD exitCode() const { return exitCode_; }
    DWORD processId() const { return pi_.dwProcessId; }
    bool running() const;
    void Kill();

private:
    std::string folder_;
    PROCESS_INFORMATION pi_{};
    DWORD exitCode_ = STILL_ACTIVE;
};

// The static text of a message box.
std::string MessageBoxText(HWND box);
// Presses the box's OK (or only) button.
void DismissMessageBox(HWND box);

// Removes a registry key with everything under it; missing keys are fine.
void DeleteRegistryTree(HKEY root, const char* path);

// Loads the common controls from the system folder and initialises them, as the program's
// start-up does (a test executable has no start-up of its own); true when that worked.
bool LoadCommonControls();

// The icon windows of the notification area as Wine shows it without a real taskbar: one
// "__winex11_tray_icon" window per icon, inside Wine's "__winex11_standalone_tray" window
// (in its explorer process). Empty when that window does not exist.
std::vector<HWND> WineTrayIconWindows();

// The item texts of a combo box, also of another process.
std::vector<std::string> ComboItemTexts(HWND combo);

// Wine's load order of one DLL for programs of one file name, for as long as the object
// lives: a value under HKCU\Software\Wine\AppDefaults\<exe>\DllOverrides. (A
// WINEDLLOVERRIDES variable in the environment given to CreateProcess does not reach the
// started program's loader under Wine 8.) "native,builtin" makes the loader prefer a DLL of
// that name on the search path, the program's folder first; "" disables the DLL.
class WineDllOverride {
public:
    WineDllOverride(const std::string& exeName, const std::string& dll, const std::string& order);
    ~WineDllOverride();
    WineDllOverride(const WineDllOverride&) = delete;
    WineDllOverride& operator=(const WineDllOverride&) = delete;

private:
    std::string keyPath_;
    std::string dll_;
};

// Makes a fault in the test process (an access violation, say) end it at once with a line
// on stderr, where Wine would otherwise keep the crashed process waiting for its debugger.
void EndProcessOnFault();

}  // namespace test
