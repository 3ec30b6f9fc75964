// The program's kept numbers and its start-with-Windows entry: the real Kelvara.exe on the
// prefix's real registry, and the main window's menu update pass on a real menu.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/NimbrelDlg.h"
#include "app/Preferences.h"
#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kCommandTimeoutMs = 10000;
constexpr DWORD kMenuTimeoutMs = 10000;
constexpr char kProductKey[] = "SOFTWARE\\Kelvara";

std::optional<DWORD> StoredNumber(const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    LONG result = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

void StoreNumber(const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(key);
}

void StoreText(const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
    ::RegCloseKey(key);
}

// The data of the start-up entry, or nothing when there is no entry.
std::optional<std::string> StartupEntry() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    DWORD type = REG_NONE;
    LONG result = ::RegQueryValueExA(key, "Kelvara", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    data[size] = '\0';
    return std::string(data);
}

// Another program's hand on the entry.
void SetStartupEntry(const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "Kelvara", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
    ::RegCloseKey(key);
}

void DeleteStartupEntry() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    ::RegDeleteValueA(key, "Kelvara");
    ::RegCloseKey(key);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
                                       CSTR_EQUAL;
}

// Delivers a command and returns once the window has handled it.
bool SendCommand(HWND window, UINT id) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutA(window, WM_COMMAND, id, 0, SMTO_ABORTIFHUNG, kCommandTimeoutMs, &ignored) != 0;
}

class ProgramPreferences : public ::testing::Test {
protected:
    void SetUp() override {
        test::DeleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
        // The user's Run key exists on every Windows installation.
        HKEY run = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(run);
        DeleteStartupEntry();
    }
    void TearDown() override {
        test::DeleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
        DeleteStartupEntry();
    }

    static HWND Start(test::Program& program) {
        if (!program.Start()) return nullptr;
        return program.WaitForMainWindow(kStartTimeoutMs);
    }
};

TEST(PreferenceTexts, KeptNumbersSurviveTheirTextForm) {
    struct Case {
        DWORD stored;
        const char* text;
    };
    const Case cases[] = {{12, "12"}, {0, "0"}, {30, "30"}, {0x7FFFFFFF, "2147483647"},
                          {0x80000000, "-2147483648"}, {0xFFFFFFFF, "-1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(KeptNumberText(c.stored), c.text);
        EXPECT_EQ(KeptNumberValue(c.text), c.stored);
    }
}

TEST(PreferenceTexts, KeptTextToNumberTakesTheLeadingDigits) {
    struct Case {
        const char* text;
        DWORD expected;
    };
    const Case cases[] = {
        {"", 0},          {"abc", 0},       {"-", 0},
        {"12abc", 12},    {"007", 7},       {" 5", 0},
        {"+9", 9},        {"-0", 0},        {"99999999999", 0x7FFFFFFF},
        {"-99999999999", 0x80000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(KeptNumberValue(c.text), c.expected);
    }
}

TEST(PreferenceTexts, StartupEntryDataAndTheModulePathThatFits) {
    EXPECT_EQ(StartupEntryData("C:\\Tools\\app.exe"), "\"C:\\Tools\\app.exe\" -tray");

    const std::string path255(255, 'p');
    const std::string path256(256, 'p');
    struct Case {
        const char* label;
        const std::string* buffer;
        DWORD length;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"the call failed", &path255, 0, std::nullopt},
        {"255 characters and the NUL fit", &path255, 255, path255},
        {"a path that filled the buffer was cut", &path256, 256, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ModulePathFromBuffer(c.buffer->c_str(), c.length, kModulePathBufferSize), c.expected);
    }
}

TEST_F(ProgramPreferences, FirstHideStoresTheDefaults) {
    test::Program program("prefs_defaults");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(StoredNumber("CheckPeriodNum")) << "nothing is stored before the first hide";

    ASSERT_TRUE(SendCommand(main, IDCANCEL));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_EQ(StoredNumber("CheckPeriodNum"), std::optional<DWORD>(12));
    EXPECT_EQ(StoredNumber("CheckPeriodCombo"), std::optional<DWORD>(0));
    EXPECT_EQ(StoredNumber("AccelerateN"), std::optional<DWORD>(7));
}

TEST_F(ProgramPreferences, StoredNumbersAreWrittenBackAtEveryHide) {
    struct Case {
        const char* label;
        std::optional<DWORD> checkPeriodNum;  // nothing: stored as the text "30"
        DWORD checkPeriodCombo;
        DWORD accelerateN;
        DWORD expectedCheckPeriodNum;
        DWORD expectedAccelerateN;
    };
    const Case cases[] = {
        {"ordinary numbers", 30, 5, 2, 30, 2},
        {"numbers past the signed range", 0xFFFFFFFF, 1, 0x80000000, 0xFFFFFFFF, 0x80000000},
        {"a text where a number belongs", std::nullopt, 3, 2, 12, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::DeleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
        if (c.checkPeriodNum) {
            StoreNumber("CheckPeriodNum", *c.checkPeriodNum);
        } else {
            StoreText("CheckPeriodNum", "30");
        }
        StoreNumber("CheckPeriodCombo", c.checkPeriodCombo);
        StoreNumber("AccelerateN", c.accelerateN);

        test::Program program("prefs_stored");
        HWND main = Start(program);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(SendCommand(main, IDCANCEL));
        EXPECT_EQ(StoredNumber("CheckPeriodNum"), std::optional<DWORD>(c.expectedCheckPeriodNum));
        EXPECT_EQ(StoredNumber("CheckPeriodCombo"), std::optional<DWORD>(0));
        EXPECT_EQ(StoredNumber("AccelerateN"), std::optional<DWORD>(c.expectedAccelerateN));

        // A later hide writes the same numbers again, whatever happened to them meanwhile.
        StoreNumber("CheckPeriodCombo", 9);
        StoreNumber("AccelerateN", 99);
        ASSERT_TRUE(SendCommand(main, IDCANCEL));
        EXPECT_EQ(StoredNumber("CheckPeriodCombo"), std::optional<DWORD>(0));
        EXPECT_EQ(StoredNumber("AccelerateN"), std::optional<DWORD>(c.expectedAccelerateN));
        program.Kill();
    }
}

TEST_F(ProgramPreferences, RunAtStartupWritesTheProgramsOwnPathThenRemovesIt) {
    test::Program program("prefs_startup");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(SendCommand(main, ID_RUN_AT_STARTUP));
    std::optional<std::string> entry = StartupEntry();
    ASSERT_TRUE(entry);
    const std::string expected = "\"" + program.exePath() + "\" -tray";
    EXPECT_TRUE(SameTextIgnoringCase(*entry, expected)) << *entry << "\nexpected " << expected;

    ASSERT_TRUE(SendCommand(main, ID_RUN_AT_STARTUP));
    EXPECT_FALSE(StartupEntry());
}

TEST_F(ProgramPreferences, PathTooLongForItsBufferIsNeverStored) {
    // The copy's full path is 256 characters: one more than the buffer holds with its NUL.
    const std::string root = test::WinPath(KELVARA_BUILD_DIR) + "\\testrun\\";
    const std::size_t kTargetLength = 256;
    const std::string name(kTargetLength - root.size() - std::string("\\Kelvara.exe").size(), 'L');
    test::Program program(name);
    ASSERT_EQ(program.exePath().size(), kTargetLength);
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);

    SetStartupEntry("\"C:\\Older\\Kelvara.exe\" -tray");
    ASSERT_TRUE(SendCommand(main, ID_RUN_AT_STARTUP));
    EXPECT_EQ(StartupEntry(), std::optional<std::string>("\"C:\\Older\\Kelvara.exe\" -tray"))
        << "a cut path would name another file; the entry stays as it was";

    DeleteStartupEntry();
    ASSERT_TRUE(SendCommand(main, ID_RUN_AT_STARTUP));
    ASSERT_TRUE(SendCommand(main, ID_RUN_AT_STARTUP));
    EXPECT_FALSE(StartupEntry());
}

// The tray menu as a user opens it: a right click on the icon reaches the main window as
// the icon's callback, the program opens menu 129, and the item is chosen by its key.
class TrayMenu {
public:
    TrayMenu(test::Program& program, HWND main) : program_(program), main_(main) {}

    // Opens the menu and chooses "Run at &Startup"; false when no menu came up in time.
    bool ChooseRunAtStartup() {
        ::PostMessageA(main_, WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
        if (!test::WaitUntil([&] { return OpenMenuWindow() != nullptr; }, kMenuTimeoutMs)) return false;
        // The menu's own loop takes the keys of its thread, whichever window they are for.
        ::PostMessageA(OpenMenuWindow(), WM_CHAR, 's', 0);
        return test::WaitUntil([&] { return OpenMenuWindow() == nullptr; }, kMenuTimeoutMs);
    }

private:
    HWND OpenMenuWindow() const {
        for (HWND w : test::TopWindowsOf(program_.processId(), "#32768", nullptr)) {
            if (::IsWindowVisible(w)) return w;
        }
        return nullptr;
    }

    test::Program& program_;
    HWND main_;
};

TEST_F(ProgramPreferences, TrayMenuItemStartsFromTheEntrysRealPresence) {
    test::Program program("prefs_tray_menu");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);
    TrayMenu menu(program, main);
    const std::string own = "\"" + program.exePath() + "\" -tray";
    auto entryIsOwn = [&] { return StartupEntry() && SameTextIgnoringCase(*StartupEntry(), own); };

    // An older copy's entry: the menu shows it checked, so choosing the item deletes it.
    SetStartupEntry("\"C:\\Elsewhere\\Kelvara.exe\" -tray");
    ASSERT_TRUE(menu.ChooseRunAtStartup());
    EXPECT_TRUE(test::WaitUntil([] { return !StartupEntry(); }, kCommandTimeoutMs)) << StartupEntry().value_or("");

    // No entry: choosing writes the program's own.
    ASSERT_TRUE(menu.ChooseRunAtStartup());
    EXPECT_TRUE(test::WaitUntil(entryIsOwn, kCommandTimeoutMs)) << StartupEntry().value_or("(none)");

    // Another program deletes it: the next opening shows no mark, and choosing writes it again.
    DeleteStartupEntry();
    ASSERT_TRUE(menu.ChooseRunAtStartup());
    EXPECT_TRUE(test::WaitUntil(entryIsOwn, kCommandTimeoutMs)) << StartupEntry().value_or("(none)");
}

// The main window's update pass on a menu holding the item, as it runs when the tray menu
// opens. A menu belongs to the process that made it (Wine refuses another process's menu),
// so the window object runs in this process, with the real handlers of the program.
class MainWindowMenu : public ProgramPreferences {
protected:
    void SetUp() override {
        ProgramPreferences::SetUp();
        menu_ = ::CreatePopupMenu();
        ASSERT_NE(menu_, nullptr);
        ::AppendMenuA(menu_, MF_STRING, ID_APP_ABOUT, "&About");
        ::AppendMenuA(menu_, MF_STRING, ID_RUN_AT_STARTUP, "Run at &Startup");
    }
    void TearDown() override {
        ::DestroyMenu(menu_);
        ProgramPreferences::TearDown();
    }

    bool Checked() const { return (::GetMenuState(menu_, ID_RUN_AT_STARTUP, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    void OpenMenu() { window_.UpdateMenuCommands(menu_); }
    void Choose() {
        LRESULT ignored = 0;
        ASSERT_TRUE(window_.ProcessWindowMessage(WM_COMMAND, ID_RUN_AT_STARTUP, 0, ignored));
    }

    HMENU menu_ = nullptr;
    CNimbrelDlg window_;
};

TEST_F(MainWindowMenu, CheckMarkFollowsTheEntryWhoeverChangedIt) {
    OpenMenu();
    EXPECT_FALSE(Checked());

    SetStartupEntry("\"C:\\Elsewhere\\Kelvara.exe\" -tray");  // an older copy's entry
    OpenMenu();
    EXPECT_TRUE(Checked());

    DeleteStartupEntry();
    OpenMenu();
    EXPECT_FALSE(Checked());

    Choose();
    OpenMenu();
    EXPECT_TRUE(Checked());
    EXPECT_TRUE(StartupEntry());
}

TEST_F(MainWindowMenu, ChoosingStartsFromTheEntrysRealPresence) {
    char module[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    const std::string own = "\"" + std::string(module) + "\" -tray";

    // Written by this window, then deleted by someone else: the next opening shows no mark,
    // so choosing writes the entry again instead of deleting a missing one.
    OpenMenu();
    Choose();
    EXPECT_EQ(StartupEntry(), std::optional<std::string>(own));
    DeleteStartupEntry();
    OpenMenu();
    EXPECT_FALSE(Checked());
    Choose();
    EXPECT_EQ(StartupEntry(), std::optional<std::string>(own));

    // An older copy's entry shows checked; choosing deletes it, choosing again writes ours.
    SetStartupEntry("\"C:\\Elsewhere\\Kelvara.exe\" -tray");
    OpenMenu();
    EXPECT_TRUE(Checked());
    Choose();
    EXPECT_FALSE(StartupEntry());
    OpenMenu();
    EXPECT_FALSE(Checked());
    Choose();
    EXPECT_EQ(StartupEntry(), std::optional<std::string>(own));
}

}  // namespace
