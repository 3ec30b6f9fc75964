#include "app/Registry.h"

#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/Version.h"

namespace reg {

const char* ProductKeyPath() {
    static const std::string path = std::string("SOFTWARE\\") + kProductName;
    return path.c_str();
}

Key::Key(Key&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

Key& Key::operator=(Key&& other) noexcept {
    if (this != &other) {
        Close();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

void Key::Close() noexcept {
    if (key_) ::RegCloseKey(std::exchange(key_, nullptr));
}

Key Key::Open(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return Key();
    return Key(key);
}

bool Key::QueryDword(const char* name, DWORD& value) const {
    if (!key_) return false;
    DWORD type = REG_NONE;
    DWORD read = 0;
    DWORD size = sizeof read;
    if (::RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS) {
        return false;
    }
    // A text or binary value that happens to fit four bytes is not a number.
    if (type != REG_DWORD || size != sizeof read) return false;
    value = read;
    return true;
}

std::optional<std::string> Key::QueryText(const char* name, DWORD bufferSize) const {
    if (!key_ || bufferSize == 0) return std::nullopt;
    std::vector<char> buffer(bufferSize, '\0');
    DWORD type = REG_NONE;
    DWORD size = bufferSize;
    if (::RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    // Four bytes of a number would otherwise read as a short, odd text.
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    if (size > bufferSize) return std::nullopt;
    // The system stores texts as they were given and does not promise a terminating NUL, so
    // the text is searched for only within the bytes the query reported.
    const void* nul = std::memchr(buffer.data(), '\0', size);
    if (!nul) {
        // No NUL in a buffer filled to the last byte: the text with its NUL would not have
        // fitted, so it is treated as a value larger than the buffer.
        if (size == bufferSize) return std::nullopt;
        return std::string(buffer.data(), size);
    }
    return std::string(buffer.data(), static_cast<const char*>(nul) - buffer.data());
}

bool Key::ValueExists(const char* name) const {
    if (!key_) return false;
    return ::RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool Key::SetText(const char* name, const std::string& text) const {
    if (!key_ || text.size() >= std::numeric_limits<DWORD>::max()) return false;
    return ::RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool Key::SetDword(const char* name, DWORD value) const {
    if (!key_) return false;
    return ::RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool Key::DeleteValue(const char* name) const {
    if (!key_) return false;
    return ::RegDeleteValueA(key_, name) == ERROR_SUCCESS;
}

Key OpenProductKey() { return Key::Open(HKEY_CURRENT_USER, ProductKeyPath(), KEY_QUERY_VALUE); }

Key CreateProductKey() {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, ProductKeyPath(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return Key();
    }
    return Key(key);
}

bool ReadDword(const char* name, DWORD& value) { return OpenProductKey().QueryDword(name, value); }

std::string ReadText(const char* name, DWORD bufferSize) {
    return OpenProductKey().QueryText(name, bufferSize).value_or(std::string());
}

bool WriteDword(const char* name, DWORD value) { return CreateProductKey().SetDword(name, value); }

bool WriteText(const char* name, const std::string& text) { return CreateProductKey().SetText(name, text); }

}  // namespace reg
