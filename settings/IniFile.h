// Typed access to single keys of one ini file through the Windows profile functions.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The ini file that belongs to an executable: the extension of its last path part replaced
// by ".ini" (or ".ini" appended when it has none). Empty when the result would not fit in
// `capacity` bytes with its terminator. Dots and backslashes are found as characters of
// `codePage`, so a trail byte that looks like a backslash is not taken for one.
std::string IniPathForModule(const std::string& modulePath, size_t capacity, UINT codePage = CP_ACP);

// An unsigned decimal number as the C library reads one: leading blanks, an optional sign,
// the digits up to the first other character (none give 0); a minus sign negates, and all
// arithmetic is modulo 2^32.
UINT ParseUnsignedDecimal(const char* text);

class CIniFile {
public:
    static constexpr size_t kPathSize = 500;

    // The file beside the running executable.
    CIniFile();
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Empty when no usable path exists; every read then gives its default and every write
    // does nothing.
    const char* iniPath() const { return IniPath; }

    // The key's text or `fallback`, cut to size - 1 characters.
    void ReadText(const char* section, const char* key, const char* fallback, char* buffer, DWORD size) const;
    void WriteText(const char* section, const char* key, const char* text) const;
    int ReadInteger(const char* section, const char* key, int fallback) const;
    void WriteInteger(const char* section, const char* key, int value) const;
    UINT ReadUnsigned(const char* section, const char* key, UINT fallback) const;
    void WriteUnsigned(const char* section, const char* key, UINT value) const;

protected:
    // A given file, for callers that keep their settings elsewhere (and for tests).
    explicit CIniFile(const char* iniPath);

private:
    bool HasPath() const { return IniPath[0] != '\0'; }

    char IniPath[kPathSize] = "";
};
