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

    bool Start(const std::string& arguments = "");
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

}  // namespace test
