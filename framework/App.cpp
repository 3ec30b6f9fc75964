#include "framework/App.h"

#include <process.h>

#include "framework/Handles.h"
#include "framework/Wnd.h"

namespace fw {
namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_instance = nullptr;

std::string NameFromPath(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run(HINSTANCE instance) {
    SetAppInstance(instance);
    if (InitInstance()) {
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        exitCode_ = static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}

CWinApp* CurrentApp() { return g_app; }

HINSTANCE AppInstance() { return g_instance ? g_instance : ::GetModuleHandleA(nullptr); }

void SetAppInstance(HINSTANCE instance) { g_instance = instance; }

std::string ModulePath() {
    char buffer[MAX_PATH * 4];
    DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {};
    return std::string(buffer, length);
}

const std::string& AppName() {
    static const std::string name = NameFromPath(ModulePath());
    return name;
}

HWND AppMainWindow() {
    CWinApp* app = CurrentApp();
    if (!app || !app->mainWindow()) return nullptr;
    return app->mainWindow()->hwnd();
}

int AppMessageBox(const char* text, UINT type) {
    return ::MessageBoxA(AppMainWindow(), text, AppName().c_str(), type);
}

bool StartWorkerThread(WorkerProc proc, void* parameter) {
    uintptr_t handle = ::_beginthreadex(nullptr, 0, proc, parameter, 0, nullptr);
    if (handle == 0) return false;
    UniqueHandle owned(reinterpret_cast<HANDLE>(handle));  // the thread runs on without it
    return true;
}

}  // namespace fw
