#include "tests/support/Support.h"

#include <cstdio>

#include "framework/SystemLibrary.h"

namespace test {

std::string WinPath(const std::string& linuxPath) {
    std::string result = "Z:" + linuxPath;
    for (char& c : result) {
        if (c == '/') c = '\\';
    }
    return result;
}

std::string BinDir() { return WinPath(KELVARA_BIN_DIR); }

std::string FreshFolder(const std::string& name) {
    std::string root = WinPath(KELVARA_BUILD_DIR) + "\\testrun";
    ::CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root + "\\" + name;
    // Empty what an earlier run left (only plain files are ever put there).
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::string file = folder + "\\" + data.cFileName;
                ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(file.c_str());
            }
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool CopyInto(const std::string& file, const std::string& folder) {
    size_t slash = file.find_last_of('\\');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    return ::CopyFileA(file.c_str(), (folder + "\\" + name).c_str(), FALSE) != FALSE;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileText(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(no file)";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

void PumpMessages(DWORD ms) {
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (ms == 0) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return done();
        PumpMessages(20);
    }
}

namespace {

struct EnumState {
    DWORD processId;
    const char* className;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != state->processId) return TRUE;
    if (state->className && ClassOf(window) != state->className) return TRUE;
    if (state->title && TextOf(window) != state->title) return TRUE;
    state->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD processId, const char* className, const char* title) {
    EnumState state{processId, className, title, {}};
    ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

std::string ClassOf(HWND window) {
    char name[256] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = "";
    // WM_GETTEXT works across processes for the standard controls and dialogs.
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          5000, nullptr);
    return text;
}

Program::Program(const std::string& folderName, bool withSkinLibrary) : folder_(FreshFolder(folderName)) {
    CopyInto(BinDir() + "\\Kelvara.exe", folder_);
    if (withSkinLibrary) CopyInto(BinDir() + "\\SkinMagic.dll", folder_);
}

Program::~Program() { Kill(); }

bool Program::Start(const std::string& arguments, const std::string& workingFolder) {
    std::string commandLine = "\"" + exePath() + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? folder_.c_str() : workingFolder.c_str(), &si,
                          &pi_)) {
        return false;
    }
    exitCode_ = STILL_ACTIVE;
    return true;
}

HWND Program::WaitForMainWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindowsOf(pi_.dwProcessId, "#32770", "Kelvara")) {
                // The About box has the same caption; the main window has the ACCELLERATE! button.
                if (::GetDlgItem(w, 1001) && ::IsWindowVisible(w)) {
                    found = w;
                    return true;
                }
            }
            return !running();
        },
        timeoutMs);
    return found;
}

HWND Program::WaitForMessageBox(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindowsOf(pi_.dwProcessId, "#32770", nullptr)) {
                // A message box has the static 0xFFFF and no ACCELLERATE! button.
                if (::IsWindowVisible(w) && !::GetDlgItem(w, 1001) && ::GetDlgItem(w, 0xFFFF)) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool Program::running() const {
    if (!pi_.hProcess) return false;
    return ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs) {
    if (!pi_.hProcess) return false;
    bool ended = WaitUntil([&] { return !running(); }, timeoutMs);
    if (ended) ::GetExitCodeProcess(pi_.hProcess, &exitCode_);
    return ended;
}

void Program::Kill() {
    if (!pi_.hProcess) return;
    if (running()) {
        ::TerminateProcess(pi_.hProcess, 99);
        ::WaitForSingleObject(pi_.hProcess, 10000);
    }
    ::CloseHandle(pi_.hThread);
    ::CloseHandle(pi_.hProcess);
    pi_ = {};
}

std::string MessageBoxText(HWND box) { return TextOf(::GetDlgItem(box, 0xFFFF)); }

void DismissMessageBox(HWND box) {
    if (::GetDlgItem(box, IDOK)) {
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    } else {
        ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    }
}

void DeleteRegistryTree(HKEY root, const char* path) { ::RegDeleteTreeA(root, path); }

bool LoadCommonControls() {
    // InitCommonControls is exported by ordinal only.
    constexpr WORD kInitCommonControlsOrdinal = 17;
    HMODULE comctl = fw::LoadSystemLibrary("comctl32.dll");
    if (!comctl) return false;
    using InitProc = void(WINAPI*)();
    auto init = reinterpret_cast<InitProc>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, MAKEINTRESOURCEA(kInitCommonControlsOrdinal))));
    if (!init) return false;
    init();
    return true;
}

std::vector<HWND> WineTrayIconWindows() {
    std::vector<HWND> icons;
    HWND tray = ::FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray) return icons;
    for (HWND child = ::GetWindow(tray, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "__winex11_tray_icon") icons.push_back(child);
    }
    return icons;
}

std::vector<std::string> ComboItemTexts(HWND combo) {
    // Across processes Wine 8 hands the text of an ANSI CB_GETLBTEXT back unconverted (as
    // UTF-16); the Unicode form arrives whole.
    std::vector<std::string> items;
    LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
        if (length > 0) {
            ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        }
        char text[1024] = "";
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        items.emplace_back(text);
    }
    return items;
}

WineDllOverride::WineDllOverride(const std::string& exeName, const std::string& dll, const std::string& order)
    : keyPath_("Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides"), dll_(dll) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        ::RegSetValueExA(key, dll_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                         static_cast<DWORD>(order.size() + 1));
        ::RegCloseKey(key);
    }
}

WineDllOverride::~WineDllOverride() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, dll_.c_str());
        ::RegCloseKey(key);
    }
}

namespace {

LONG WINAPI ReportFaultAndEnd(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    std::fprintf(stderr, "\nFAULT: exception %08lx at %p\n", static_cast<unsigned long>(record->ExceptionCode),
                 record->ExceptionAddress);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void EndProcessOnFault() { ::SetUnhandledExceptionFilter(ReportFaultAndEnd); }

}  // namespace test
