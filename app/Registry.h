// Registry access for every part of the program: an owning key, typed reads that fall back
// to the caller's default, and writes into the program's own key.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace reg {

// The program's own key under HKEY_CURRENT_USER: "SOFTWARE\" followed by the product name.
const char* ProductKeyPath();

// Read limits of the program's text values, terminating NUL included.
constexpr DWORD kClientRecordBufferSize = 256;
constexpr DWORD kChosenNameBufferSize = 50;
constexpr DWORD kChosenPathBufferSize = 1000;

// An open registry key, closed when the object goes. A key that did not open is still a
// valid object: every read from it reports the value absent and every write fails, so a
// caller can take its defaults without a separate branch.
class Key {
public:
    Key() noexcept = default;
    explicit Key(HKEY key) noexcept : key_(key) {}
    ~Key() { Close(); }
    Key(Key&& other) noexcept;
    Key& operator=(Key&& other) noexcept;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // RegOpenKeyExA with options 0; an empty key when the key cannot be opened.
    static Key Open(HKEY root, const char* path, REGSAM access);

    HKEY get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

    // A REG_DWORD value of exactly 4 bytes. On any failure, a value of another type included,
    // `value` keeps what the caller preset and false is returned.
    bool QueryDword(const char* name, DWORD& value) const;
    // A REG_SZ or REG_EXPAND_SZ value read into a buffer of `bufferSize` bytes, taken up to
    // its first NUL. Absent when the query fails, when the value is of another type, or when
    // the text needs more than the buffer: a text stored without its NUL that fills the whole
    // buffer counts as too large, exactly like the same text stored with its NUL.
    std::optional<std::string> QueryText(const char* name, DWORD bufferSize) const;
    // True when a value of this name exists, whatever its type and size.
    bool ValueExists(const char* name) const;

    // REG_SZ with the terminating NUL stored (length plus one bytes).
    bool SetText(const char* name, const std::string& text) const;
    bool SetDword(const char* name, DWORD value) const;
    bool DeleteValue(const char* name) const;

private:
    void Close() noexcept;

    HKEY key_ = nullptr;
};

// The program's key opened for reading (HKEY_CURRENT_USER, KEY_QUERY_VALUE).
Key OpenProductKey();
// The program's key opened for writing, created when missing: RegCreateKeyExA on
// HKEY_CURRENT_USER with REG_OPTION_NON_VOLATILE and KEY_ALL_ACCESS. Done before every write.
Key CreateProductKey();

// One value of the program's key. Reads give the caller's default (false / empty) on any
// failure; writes create the key first and report whether the value was stored.
bool ReadDword(const char* name, DWORD& value);
std::string ReadText(const char* name, DWORD bufferSize);
bool WriteDword(const char* name, DWORD value);
bool WriteText(const char* name, const std::string& text);

}  // namespace reg
