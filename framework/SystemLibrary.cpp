#include "framework/SystemLibrary.h"

#include <cstring>

namespace fw {

HMODULE LoadSystemLibrary(const char* fileName) {
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif
    if (HMODULE module = ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Systems without the search flag reject it as an invalid parameter; a full path in the
    // system folder gives the same guarantee there.
    char path[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = std::strlen(fileName);
    if (length == 0 || length + 1 + nameLength + 1 > MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, fileName, nameLength + 1);
    return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace fw
