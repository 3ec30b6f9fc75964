#include "app/Updater.h"

#include <windows.h>
#include <shellapi.h>

#include "app/Version.h"
#include "app/WebLinks.h"
#include "framework/App.h"

std::string UpdaterPath(const std::string& modulePath) {
    size_t slash = modulePath.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return modulePath.substr(0, slash + 1) + kUpdaterFileName;
}

std::string UpdaterParameters() {
    std::string result;
    for (const char* value : {kProductName, kUpdaterChannel, kProductVersion, kMakerDomain, kUpdaterSilent}) {
        if (!result.empty()) result += ' ';
        result += '"';
        result += value;
        result += '"';
    }
    return result;
}

void StartUpdater() {
    // A bare "Uplift.exe" would let the shell run whichever file of that name it finds
    // first, beginning with the current folder; only the copy beside the program is used.
    std::string path = UpdaterPath(fw::ModulePath());
    if (path.empty()) return;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    ::ShellExecuteA(nullptr, "open", path.c_str(), UpdaterParameters().c_str(), nullptr, SW_SHOWNORMAL);
}
