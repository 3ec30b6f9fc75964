// The application object of the framework layer, and the process-wide helpers that
// belong to it (instance handle, application name, message box, worker threads).
#pragma once

#include <windows.h>
#include <string>

namespace fw {

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up step: true runs a message loop of the framework afterwards, false goes
    // straight to the exit step.
    virtual bool InitInstance() { return true; }
    // Exit step: its result is the process exit code.
    virtual int ExitInstance() { return exitCode_; }

    // Runs start-up, the loop when asked for, and the exit step.
    int Run(HINSTANCE instance);

    CWnd* mainWindow() const { return mainWindow_; }
    void setMainWindow(CWnd* window) { mainWindow_ = window; }

private:
    CWnd* mainWindow_ = nullptr;
    int exitCode_ = 0;
};

// The one application object of the process, or null.
CWinApp* CurrentApp();

// The module that holds the program's resources and window classes.
HINSTANCE AppInstance();
void SetAppInstance(HINSTANCE instance);

// The executable's file name without its extension: the caption of every message box.
const std::string& AppName();

// The main window of the application, or null.
HWND AppMainWindow();

// A message box owned by the main window with the application name as caption.
int AppMessageBox(const char* text, UINT type);

// Starts a worker thread at normal priority with the default stack; the thread's handle is
// not kept. False when the thread could not be started.
using WorkerProc = unsigned(__stdcall*)(void* parameter);
bool StartWorkerThread(WorkerProc proc, void* parameter);

// Full path of the running executable.
std::string ModulePath();

}  // namespace fw
