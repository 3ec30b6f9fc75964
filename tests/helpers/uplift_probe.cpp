// Stands in for the updater in tests: records the command line it was started with in
// "<own path>.args" and ends.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH + 8];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    std::memcpy(path + length, ".args", 6);
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
