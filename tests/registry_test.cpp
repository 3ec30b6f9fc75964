// Registry access on the prefix's real registry: values stored badly by someone else (no
// terminating NUL, the wrong type, too large), missing keys, and the stored client choice.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Registry.h"
#include "p2p/FindP2PDlg.h"
#include "tests/support/Support.h"

namespace {

constexpr char kScratchPath[] = "SOFTWARE\\Kelvara Tests\\Registry";

// Stores raw bytes with the given type and size, as another program may have done. The
// system quietly counts a text's NUL when the byte after the given size is one, so the
// bytes are followed by a byte that is not.
void StoreRaw(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    std::vector<BYTE> bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    bytes.push_back('#');
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    LONG stored = ::RegSetValueExA(key, name, 0, type, bytes.data(), size);
    ::RegCloseKey(key);
    ASSERT_EQ(stored, ERROR_SUCCESS) << name;
}

void StoreText(const char* path, const char* name, const std::string& text, bool withNul) {
    StoreRaw(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + (withNul ? 1 : 0)));
}

void StoreDword(const char* path, const char* name, DWORD value) {
    StoreRaw(path, name, REG_DWORD, &value, sizeof value);
}

// What the system reports for a value, read without the module under test.
struct RawValue {
    LONG result = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

RawValue ReadRaw(const char* path, const char* name) {
    RawValue raw;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return raw;
    raw.data.resize(4096);
    DWORD size = static_cast<DWORD>(raw.data.size());
    raw.result = ::RegQueryValueExA(key, name, nullptr, &raw.type, raw.data.data(), &size);
    raw.data.resize(raw.result == ERROR_SUCCESS ? size : 0);
    ::RegCloseKey(key);
    return raw;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara Tests");
        test::DeleteRegistryTree(HKEY_CURRENT_USER, reg::ProductKeyPath());
    }
    void TearDown() override {
        test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara Tests");
        test::DeleteRegistryTree(HKEY_CURRENT_USER, reg::ProductKeyPath());
    }

    static reg::Key OpenScratch() { return reg::Key::Open(HKEY_CURRENT_USER, kScratchPath, KEY_QUERY_VALUE); }
};

TEST_F(RegistryTest, ProductKeyIsNamedAfterTheProduct) {
    EXPECT_STREQ(reg::ProductKeyPath(), "SOFTWARE\\Kelvara");
}

TEST_F(RegistryTest, TextReadsStopAtTheBufferWhateverWasStored) {
    const std::string ch49(49, 'n');
    const std::string ch50(50, 'n');
    const std::string ch255(255, 'r');
    const std::string ch256(256, 'r');
    struct Case {
        const char* label;
        DWORD type;
        std::string bytes;  // exactly what is stored, NULs included
        DWORD bufferSize;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"text with its NUL", REG_SZ, std::string("abc", 4), 50, "abc"},
        {"text without a NUL, room left in the buffer", REG_SZ, "abc", 50, "abc"},
        {"49 characters without a NUL in 50 bytes", REG_SZ, ch49, 50, ch49},
        {"49 characters with the NUL filling 50 bytes", REG_SZ, ch49 + '\0', 50, ch49},
        {"50 characters without a NUL, exactly filling 50 bytes", REG_SZ, ch50, 50, std::nullopt},
        {"50 characters with the NUL, one byte too many", REG_SZ, ch50 + '\0', 50, std::nullopt},
        {"255 characters without a NUL in 256 bytes", REG_SZ, ch255, 256, ch255},
        {"256 characters without a NUL, exactly filling 256 bytes", REG_SZ, ch256, 256, std::nullopt},
        {"256 characters with the NUL", REG_SZ, ch256 + '\0', 256, std::nullopt},
        {"empty text with its NUL", REG_SZ, std::string(1, '\0'), 50, ""},
        {"empty text of no bytes at all", REG_SZ, "", 50, ""},
        {"text with a NUL inside ends there", REG_SZ, std::string("ab\0cd", 6), 50, "ab"},
        {"expandable text is taken as stored", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9), 50, "%TEMP%\\x"},
        {"a number where a text belongs", REG_DWORD, std::string("\x1e\0\0\0", 4), 50, std::nullopt},
        {"binary bytes where a text belongs", REG_BINARY, "abc", 50, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::DeleteRegistryTree(HKEY_CURRENT_USER, kScratchPath);
        StoreRaw(kScratchPath, "Value", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        ASSERT_EQ(ReadRaw(kScratchPath, "Value").data.size(), c.bytes.size()) << "stored as meant";
        std::optional<std::string> read = OpenScratch().QueryText("Value", c.bufferSize);
        EXPECT_EQ(read, c.expected);
    }
}

TEST_F(RegistryTest, NumberReadsKeepTheDefaultUnlessAFourByteNumberIsStored) {
    const DWORD number = 30;
    const unsigned long long wide = 30;
    struct Case {
        const char* label;
        DWORD type;
        std::string bytes;
        DWORD expected;
    };
    const std::vector<Case> cases = {
        {"a number", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4), 30},
        {"a text where a number belongs", REG_SZ, std::string("30", 3), 12},
        {"a text of exactly four bytes", REG_SZ, std::string("123", 4), 12},
        {"four binary bytes", REG_BINARY, std::string(reinterpret_cast<const char*>(&number), 4), 12},
        {"an eight-byte number", REG_QWORD, std::string(reinterpret_cast<const char*>(&wide), 8), 12},
        {"a number of two bytes", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 2), 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::DeleteRegistryTree(HKEY_CURRENT_USER, kScratchPath);
        StoreRaw(kScratchPath, "Value", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        DWORD value = 12;
        bool read = OpenScratch().QueryDword("Value", value);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(read, c.expected != 12);
    }
}

TEST_F(RegistryTest, MissingKeyOrValueReadsAsTheDefault) {
    reg::Key missing = OpenScratch();
    EXPECT_FALSE(missing);
    DWORD value = 7;
    EXPECT_FALSE(missing.QueryDword("Value", value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(missing.QueryText("Value", 50), std::nullopt);
    EXPECT_FALSE(missing.ValueExists("Value"));
    EXPECT_FALSE(missing.SetText("Value", "x"));
    EXPECT_FALSE(missing.SetDword("Value", 1));
    EXPECT_EQ(reg::ReadText("APP_NAME", reg::kChosenNameBufferSize), "");
    EXPECT_FALSE(reg::ReadDword("Network", value));
    EXPECT_EQ(value, 7u);

    StoreDword(kScratchPath, "Other", 1);
    reg::Key present = OpenScratch();
    ASSERT_TRUE(present);
    EXPECT_FALSE(present.QueryDword("Value", value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(present.QueryText("Value", 50), std::nullopt);
    EXPECT_FALSE(present.ValueExists("Value"));
    EXPECT_TRUE(present.ValueExists("Other"));
    EXPECT_TRUE(present.ValueExists("OTHER")) << "value names match without regard to case";
}

TEST_F(RegistryTest, WritesCreateTheKeyAndStoreTheNul) {
    EXPECT_TRUE(reg::WriteText("Text", "abc"));
    RawValue text = ReadRaw("SOFTWARE\\Kelvara", "Text");
    ASSERT_EQ(text.result, ERROR_SUCCESS);
    EXPECT_EQ(text.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(text.data.begin(), text.data.end()), std::string("abc", 4));

    EXPECT_TRUE(reg::WriteDword("Number", 0x12345678));
    RawValue number = ReadRaw("SOFTWARE\\Kelvara", "Number");
    ASSERT_EQ(number.result, ERROR_SUCCESS);
    EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(number.data.size(), 4u);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(number.data.data()), 0x12345678u);

    DWORD back = 0;
    EXPECT_TRUE(reg::ReadDword("Number", back));
    EXPECT_EQ(back, 0x12345678u);

    EXPECT_TRUE(reg::CreateProductKey().DeleteValue("Number"));
    EXPECT_EQ(ReadRaw("SOFTWARE\\Kelvara", "Number").result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(reg::CreateProductKey().DeleteValue("Number"));
}

TEST_F(RegistryTest, KeyIsClosedOnceByItsLastOwner) {
    StoreDword(kScratchPath, "Value", 5);
    HKEY raw = nullptr;
    {
        reg::Key first = OpenScratch();
        ASSERT_TRUE(first);
        raw = first.get();
        reg::Key second = std::move(first);
        EXPECT_FALSE(first);  // a moved-from key is empty
        EXPECT_EQ(second.get(), raw);
        DWORD value = 0;
        EXPECT_TRUE(second.QueryDword("Value", value));
        EXPECT_EQ(value, 5u);
        EXPECT_EQ(::RegQueryValueExA(raw, "Value", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

        reg::Key third;
        third = std::move(second);
        EXPECT_EQ(third.get(), raw);
    }
    // The handle is gone with its owner.
    EXPECT_EQ(::RegQueryValueExA(raw, "Value", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ChosenClientRoundTrip) {
    const std::string path = "C:\\Program Files\\Shareaza\\Shareaza.exe";
    CFindP2PDlg finder;
    EXPECT_TRUE(finder.WriteChosenName(" Shareaza"));
    EXPECT_TRUE(finder.WriteChosenPath(path));
    CFindP2PDlg later;
    EXPECT_EQ(later.ReadChosenName(), " Shareaza");
    EXPECT_EQ(later.ReadChosenPath(), path);
    EXPECT_EQ(ReadRaw("SOFTWARE\\Kelvara", "APP_NAME").data.size(), std::string(" Shareaza").size() + 1);

    // No choice is an empty text, stored as an empty string rather than removed.
    EXPECT_TRUE(later.WriteChosenName(""));
    EXPECT_TRUE(later.WriteChosenPath(""));
    RawValue name = ReadRaw("SOFTWARE\\Kelvara", "APP_NAME");
    ASSERT_EQ(name.result, ERROR_SUCCESS);
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name.data, std::vector<BYTE>{0});
    EXPECT_EQ(CFindP2PDlg().ReadChosenName(), "");
    EXPECT_EQ(CFindP2PDlg().ReadChosenPath(), "");
}

TEST_F(RegistryTest, ChosenValuesHonourTheirReadLimits) {
    struct Case {
        const char* label;
        const char* valueName;
        std::string stored;
        bool withNul;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"name of 49 characters", "APP_NAME", std::string(49, 'a'), true, std::string(49, 'a')},
        {"name of 50 characters", "APP_NAME", std::string(50, 'a'), true, ""},
        {"name of 49 characters without a NUL", "APP_NAME", std::string(49, 'a'), false, std::string(49, 'a')},
        {"name of 50 characters without a NUL", "APP_NAME", std::string(50, 'a'), false, ""},
        {"path of 999 characters", "APP_PATH", std::string(999, 'p'), true, std::string(999, 'p')},
        {"path of 1000 characters", "APP_PATH", std::string(1000, 'p'), true, ""},
        {"path of 1000 characters without a NUL", "APP_PATH", std::string(1000, 'p'), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara");
        StoreText("SOFTWARE\\Kelvara", c.valueName, c.stored, c.withNul);
        CFindP2PDlg finder;
        std::string read = std::string(c.valueName) == "APP_NAME" ? finder.ReadChosenName() : finder.ReadChosenPath();
        EXPECT_EQ(read, c.expected);
    }
}

TEST_F(RegistryTest, ChosenValuesOfTheWrongTypeMeanNoChoice) {
    StoreDword("SOFTWARE\\Kelvara", "APP_NAME", 0x6b617a4b);  // "Kzak" as bytes
    StoreDword("SOFTWARE\\Kelvara", "APP_PATH", 0x005c3a43);  // "C:\" and a NUL as bytes
    CFindP2PDlg finder;
    EXPECT_EQ(finder.ReadChosenName(), "");
    EXPECT_EQ(finder.ReadChosenPath(), "");
}

}  // namespace
