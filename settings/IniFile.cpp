#include "settings/IniFile.h"

#include <cstdio>
#include <cstring>

namespace {

// Large enough for any value the unsigned reads expect.
constexpr DWORD kUnsignedTextSize = 500;
constexpr char kIniExtension[] = ".ini";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void CopyPath(char (&field)[CIniFile::kPathSize], const std::string& path) {
    // Callers only pass paths that fit; anything else leaves the field empty.
    if (path.size() >= sizeof field) {
        field[0] = '\0';
        return;
    }
    std::memcpy(field, path.c_str(), path.size() + 1);
}

}  // namespace

std::string IniPathForModule(const std::string& modulePath, size_t capacity, UINT codePage) {
    size_t lastDot = std::string::npos;
    size_t lastBackslash = std::string::npos;
    for (size_t i = 0; i < modulePath.size(); ++i) {
        char c = modulePath[i];
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) && i + 1 < modulePath.size()) {
            ++i;  // the trail byte is part of this character
            continue;
        }
        if (c == '.') lastDot = i;
        if (c == '\\') lastBackslash = i;
    }
    std::string path = modulePath;
    if (lastDot != std::string::npos && (lastBackslash == std::string::npos || lastDot > lastBackslash)) {
        path.resize(lastDot);
    }
    path += kIniExtension;
    // A path cut to fit would name some other file, perhaps in some other folder.
    if (path.size() + 1 > capacity) return {};
    return path;
}

UINT ParseUnsignedDecimal(const char* text) {
    if (!text) return 0;
    while (IsBlank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    UINT value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<UINT>(*text - '0');
    return negative ? 0u - value : value;
}

CIniFile::CIniFile() {
    char module[kPathSize] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, module, sizeof module);
    // A path that filled the buffer was cut (and may lack its terminator): no file then.
    if (length == 0 || length >= sizeof module) return;
    CopyPath(IniPath, IniPathForModule(std::string(module, length), kPathSize));
}

CIniFile::CIniFile(const char* iniPath) {
    if (iniPath) CopyPath(IniPath, iniPath);
}

CIniFile::~CIniFile() = default;

void CIniFile::ReadText(const char* section, const char* key, const char* fallback, char* buffer,
                        DWORD size) const {
    if (!buffer || size == 0) return;
    if (!HasPath()) {
        // No file of ours: the profile functions are not asked about an empty name at all.
        const char* text = fallback ? fallback : "";
        size_t length = ::strnlen(text, size - 1);
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
        return;
    }
    ::GetPrivateProfileStringA(section, key, fallback, buffer, size, IniPath);
}

void CIniFile::WriteText(const char* section, const char* key, const char* text) const {
    if (!HasPath()) return;
    ::WritePrivateProfileStringA(section, key, text, IniPath);
}

int CIniFile::ReadInteger(const char* section, const char* key, int fallback) const {
    if (!HasPath()) return fallback;
    return static_cast<int>(::GetPrivateProfileIntA(section, key, fallback, IniPath));
}

void CIniFile::WriteInteger(const char* section, const char* key, int value) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WriteText(section, key, text);
}

UINT CIniFile::ReadUnsigned(const char* section, const char* key, UINT fallback) const {
    char fallbackText[16];
    std::snprintf(fallbackText, sizeof fallbackText, "%u", fallback);
    char text[kUnsignedTextSize];
    ReadText(section, key, fallbackText, text, sizeof text);
    return ParseUnsignedDecimal(text);
}

void CIniFile::WriteUnsigned(const char* section, const char* key, UINT value) const {
    char text[16];
    std::snprintf(text, sizeof text, "%u", value);
    WriteText(section, key, text);
}
