// A stand-in for a system DLL planted beside a program: when a process loads it, it leaves
// "<its own path>.loaded" behind. Its exports only have to exist for a loader to bind them.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH + 8];
    DWORD length = ::GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyA(path + length, ".loaded");
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return TRUE;
}

DWORD WINAPI MarkerGetIfTable(void*, ULONG*, BOOL) { return ERROR_NOT_SUPPORTED; }
DWORD WINAPI MarkerGetNumberOfInterfaces(DWORD*) { return ERROR_NOT_SUPPORTED; }
DWORD WINAPI MarkerGetIpAddrTable(void*, ULONG*, BOOL) { return ERROR_NOT_SUPPORTED; }
void WINAPI MarkerInitCommonControls() {}

}  // extern "C"
