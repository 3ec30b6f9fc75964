// The launcher row of the real Kelvara.exe under Wine: the clients it lists from the
// prefix's registry, the stored choice at start-up, picking a client (present or gone) and
// what that does to acceleration, and Run.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "p2p/ClientDetectionTable.h"
#include "p2p/Launcher.h"
#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kCommandTimeoutMs = 10000;
constexpr DWORD kBoxTimeoutMs = 15000;
constexpr DWORD kScreenTimeoutMs = 5000;
constexpr DWORD kLaunchTimeoutMs = 15000;
// The sampler ticks once a second; its first tick rewrites the top scale label.
constexpr DWORD kFirstTickTimeoutMs = 10000;
// Long enough for two ticks of a sampler that should not be running.
constexpr DWORD kQuietMs = 2500;

constexpr char kProductKey[] = "SOFTWARE\\Kelvara";
constexpr char kSelect[] = " Select application to run";
constexpr char kNothing[] = " No P2P Application has been detected";
constexpr char kAccelerating[] = "Status: accelerating\nPress to stop acceleration";
// The top label until the sampler's first tick (the sampler writes a decimal point).
constexpr char kLabelBeforeFirstTick[] = "1,0%";

using Texts = std::vector<std::string>;

// A client as its installer leaves it: the installation folder recorded in the registry.
struct FakeClient {
    const char* launcherText;
    const char* key;
    const char* value;
    const char* exeName;
};

const FakeClient kBearFlix{" BearFlix", "Software\\BearFlix", "InstallDir", "BearFlix.exe"};
const FakeClient kEmule{" Emule", "Software\\eMule", "Install Path", "eMule.exe"};
const FakeClient kShareaza{" Shareaza", "Software\\Shareaza\\Shareaza", "Path", "Shareaza.exe"};

std::string ProbeExe() { return test::BinDir() + "\\uplift_probe.exe"; }



void SetText(HKEY root, const char* keyPath, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << keyPath;
    LONG result = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1));
    ::RegCloseKey(key);
    ASSERT_EQ(result, ERROR_SUCCESS) << keyPath;
}

// APP_NAME or APP_PATH as stored, or "<none>" when there is no such value.
std::string Stored(const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<none>";
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    LONG result = ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<none>";
    data[size] = '\0';
    return data;
}

void Store(const char* name, const std::string& text) { SetText(HKEY_CURRENT_USER, kProductKey, name, text); }

// Records the client's folder in the registry and puts an executable there (the probe
// program, so that anything started by mistake leaves a trace). Returns its path.
std::string Install(const FakeClient& client, const std::string& tag) {
    std::string folder = test::FreshFolder(tag + "_" + client.exeName);
    SetText(HKEY_CURRENT_USER, client.key, client.value, folder);
    std::string exe = folder + "\\" + client.exeName;
    EXPECT_TRUE(::CopyFileA(ProbeExe().c_str(), exe.c_str(), FALSE)) << exe;
    return exe;
}

// Every key any client's probe reads, and the program's own key.
void ForgetEverything() {
    test::DeleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
    for (const p2p::ClientRecord& record : p2p::DetectionTable()) {
        for (std::size_t i = 0; i < record.tryCount; ++i) {
            test::DeleteRegistryTree(p2p::HiveKey(record.tries[i].hive), record.tries[i].keyPath);
        }
    }
}

HWND Combo(HWND main) { return ::GetDlgItem(main, IDC_LAUNCHER); }
Texts Items(HWND main) { return test::ComboItemTexts(Combo(main)); }

LRESULT Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, kCommandTimeoutMs, &result)) return -2;
    return static_cast<LRESULT>(result);
}

LRESULT Selected(HWND main) { return Send(Combo(main), CB_GETCURSEL, 0, 0); }
bool Enabled(HWND main, int id) { return ::IsWindowEnabled(::GetDlgItem(main, id)) != FALSE; }
std::string TopLabel(HWND main) { return test::TextOf(::GetDlgItem(main, IDC_LABEL_TOP)); }

// Selects an item as the user would from the drop-down list: the list changes the
// selection and tells the window. Returns once the window has handled it.
bool Pick(HWND main, int item) {
    if (Send(Combo(main), CB_SETCURSEL, static_cast<WPARAM>(item), 0) != item) return false;
    return Send(main, WM_COMMAND, MAKEWPARAM(IDC_LAUNCHER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Combo(main))) != -2;
}

bool PressRun(HWND main) {
    HWND run = ::GetDlgItem(main, IDC_RUN);
    return Send(main, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), reinterpret_cast<LPARAM>(run)) != -2;
}

// What the screen shows over a window, one 0xRRGGBB value per pixel; empty when the screen
// could not be read.
std::vector<DWORD> ScreenPixels(HWND window) {
    RECT r{};
    if (!::GetWindowRect(window, &r)) return {};
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return {};
    fw::WindowDC screen(nullptr);
    fw::UniqueMemoryDC memory(::CreateCompatibleDC(screen.get()));
    fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap) return {};
    {
        fw::SelectGuard select(memory.get(), bitmap.get());
        if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY)) return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (::GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) !=
        height) {
        return {};
    }
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

std::vector<DWORD> LevelPicture(HWND main) { return ScreenPixels(::GetDlgItem(main, IDC_LEVEL_PICTURE)); }

bool ShowsPicture(HWND main, const std::vector<DWORD>& picture) {
    return test::WaitUntil([&] { return LevelPicture(main) == picture; }, kScreenTimeoutMs);
}
bool ShowsOtherThan(HWND main, const std::vector<DWORD>& picture) {
    return test::WaitUntil(
        [&] {
            std::vector<DWORD> now = LevelPicture(main);
            return !now.empty() && now != picture;
        },
        kScreenTimeoutMs);
}

// Of the standard message-box icons, only the error icon is mostly a strong red (drawn at
// 32 by 32 pixels, over 400 of them; the warning icon's orange edge has a few dozen).
constexpr int kErrorIconRedPixels = 200;

bool ShowsErrorIcon(HWND box) {
    HWND icon = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        LONG style = ::GetWindowLongA(child, GWL_STYLE);
        if (test::ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(child)) {
            icon = child;
        }
    }
    if (!icon) return false;
    return test::WaitUntil(
        [&] {
            int strongRed = 0;
            for (DWORD p : ScreenPixels(icon)) {
                BYTE red = static_cast<BYTE>(p >> 16), green = static_cast<BYTE>(p >> 8), blue = static_cast<BYTE>(p);
                if (red >= 0xC0 && green <= 0x60 && blue <= 0x60) ++strongRed;
            }
            return strongRed >= kErrorIconRedPixels;
        },
        kScreenTimeoutMs);
}

Texts VisibleButtons(HWND box) {
    Texts buttons;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (test::ClassOf(child) == "Button" && ::IsWindowVisible(child)) buttons.push_back(test::TextOf(child));
    }
    return buttons;
}

struct ShownBox {
    bool shown = false;
    std::string text;
    std::string caption;
    Texts buttons;
    bool errorIcon = false;
};

// Waits for the program's message box, reads it and presses its button; returns once the
// box is gone.
ShownBox AnswerMessageBox(test::Program& program) {
    ShownBox seen;
    HWND box = program.WaitForMessageBox(kBoxTimeoutMs);
    if (!box) return seen;
    seen.shown = true;
    seen.text = test::MessageBoxText(box);
    seen.caption = test::TextOf(box);
    seen.buttons = VisibleButtons(box);
    seen.errorIcon = ShowsErrorIcon(box);
    test::DismissMessageBox(box);
    test::WaitUntil([&] { return !::IsWindow(box); }, kBoxTimeoutMs);
    return seen;
}

void ExpectNotFoundBox(const ShownBox& box, const std::string& name) {
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.text, name + " NOT FOUND. " + name + " will be removed from list.");
    EXPECT_EQ(box.caption, "Kelvara");
    EXPECT_EQ(box.buttons, Texts{"OK"});
    EXPECT_TRUE(box.errorIcon);
}

// Picks a client whose executable has gone: the window reports it in a message box while
// handling the pick, so the pick is posted and the box answered here. Returns once the
// window has finished with the pick.
ShownBox PickMissing(test::Program& program, HWND main, int item, size_t itemsAfter) {
    ShownBox box;
    if (Send(Combo(main), CB_SETCURSEL, static_cast<WPARAM>(item), 0) != item) return box;
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_LAUNCHER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Combo(main)));
    box = AnswerMessageBox(program);
    // The pick ends by selecting item 0 of the shortened list.
    test::WaitUntil([&] { return Items(main).size() == itemsAfter && Selected(main) == 0; }, kCommandTimeoutMs);
    Send(main, WM_NULL, 0, 0);
    return box;
}

void ExpectNoChoice(HWND main) {
    EXPECT_EQ(Selected(main), 0);
    EXPECT_FALSE(Enabled(main, IDC_RUN));
    EXPECT_FALSE(Enabled(main, IDC_ACCELERATE));
    EXPECT_EQ(Stored("APP_NAME"), "");
    EXPECT_EQ(Stored("APP_PATH"), "");
}

void ExpectChoiceMade(HWND main, const FakeClient& client, const std::string& path) {
    EXPECT_TRUE(Enabled(main, IDC_RUN));
    EXPECT_TRUE(Enabled(main, IDC_ACCELERATE));
    EXPECT_EQ(Stored("APP_NAME"), client.launcherText);
    EXPECT_EQ(Stored("APP_PATH"), path);
}

// Only the ACCELLERATE! button's own click changes its check state and caption.
void ExpectAccelerateButtonUntouched(HWND main) {
    EXPECT_EQ(Send(::GetDlgItem(main, IDC_ACCELERATE), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_ACCELERATE)), kAccelerating);
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override { ForgetEverything(); }
    void TearDown() override { ForgetEverything(); }

    HWND Start(test::Program& program) {
        if (!program.Start()) return nullptr;
        return program.WaitForMainWindow(kStartTimeoutMs);
    }
};

TEST_F(Launcher, NothingDetectedAndNothingStoredLeavesAccelerationOff) {
    test::Program program("launcher_nothing");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);

    EXPECT_EQ(Items(main), Texts{kNothing});
    EXPECT_EQ(Selected(main), 0);
    EXPECT_EQ(test::TextOf(Combo(main)), kNothing);
    EXPECT_FALSE(Enabled(main, IDC_RUN));
    EXPECT_FALSE(Enabled(main, IDC_ACCELERATE));
    ExpectAccelerateButtonUntouched(main);
    // Nothing was chosen, so nothing is written.
    EXPECT_EQ(Stored("APP_NAME"), "<none>");
    EXPECT_EQ(Stored("APP_PATH"), "<none>");

    // The sampler's timer was stopped before its first tick.
    test::PumpMessages(kQuietMs);
    EXPECT_EQ(TopLabel(main), kLabelBeforeFirstTick);
}

TEST_F(Launcher, StoredChoiceAtStartUp) {
    struct Case {
        const char* label;
        std::vector<FakeClient> installed;
        const char* storedName;
        bool listed;  // the stored name names a listed client: no message, choice kept
        Texts items;
        int selected;
    };
    const Case cases[] = {
        {"name differing only in case", {kShareaza, kEmule}, " sHAREAZA", true, {kSelect, " Emule", " Shareaza"}, 2},
        {"client not detected, nothing detected", {}, " Kazaa", false, {kNothing}, 0},
        // The name is the registry's text, never a format.
        {"client not detected, others detected", {kEmule}, " %s%n%x Kazaa", false, {kSelect, " Emule"}, 0},
        // The search wraps round to item 0, whose text names no client.
        {"name of the placeholder", {kEmule}, " SELECT application to run", false, {kSelect, " Emule"}, 0},
    };
    const std::string keptPath = "C:\\Program Files\\Somewhere\\client.exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ForgetEverything();
        for (const FakeClient& client : c.installed) Install(client, "launcher_stored");
        Store("APP_NAME", c.storedName);
        Store("APP_PATH", keptPath);

        test::Program program("launcher_stored");
        ASSERT_TRUE(program.Start());
        if (!c.listed) ExpectNotFoundBox(AnswerMessageBox(program), c.storedName);
        HWND main = program.WaitForMainWindow(kStartTimeoutMs);
        ASSERT_NE(main, nullptr);
        // The list is filled before the window shows, so any message box would be up by now.
        EXPECT_EQ(program.WaitForMessageBox(0), nullptr);

        EXPECT_EQ(Items(main), c.items);
        EXPECT_EQ(Selected(main), c.selected);
        if (c.listed) {
            // Neither compared with the detected path nor looked for on disk.
            EXPECT_EQ(Stored("APP_NAME"), c.storedName);
            EXPECT_EQ(Stored("APP_PATH"), keptPath);
            EXPECT_TRUE(Enabled(main, IDC_RUN));
            EXPECT_TRUE(Enabled(main, IDC_ACCELERATE));
            // Acceleration stays as the start switched it: the sampler runs.
            EXPECT_TRUE(test::WaitUntil([&] { return TopLabel(main) != kLabelBeforeFirstTick; }, kFirstTickTimeoutMs));
        } else {
            ExpectNoChoice(main);
        }
        ExpectAccelerateButtonUntouched(main);
    }
}

TEST_F(Launcher, PickingClientsSwitchesAccelerationAndDropsMissingOnes) {
    // Recorded out of table order; listed in table order.
    std::string shareaza = Install(kShareaza, "launcher_pick");
    std::string emule = Install(kEmule, "launcher_pick");
    std::string bearflix = Install(kBearFlix, "launcher_pick");

    test::Program program("launcher_pick");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);

    {
        SCOPED_TRACE("clients detected, nothing stored");
        EXPECT_EQ(Items(main), (Texts{kSelect, " BearFlix", " Emule", " Shareaza"}));
        EXPECT_EQ(Selected(main), 0);
        EXPECT_FALSE(Enabled(main, IDC_RUN));
        EXPECT_FALSE(Enabled(main, IDC_ACCELERATE));
        EXPECT_EQ(TopLabel(main), kLabelBeforeFirstTick);
    }
    // Acceleration is off now, so this is the stopped picture.
    test::PumpMessages(500);
    const std::vector<DWORD> stopped = LevelPicture(main);
    ASSERT_FALSE(stopped.empty());

    {
        SCOPED_TRACE("a present client");
        ASSERT_TRUE(Pick(main, 2));
        ExpectChoiceMade(main, kEmule, emule);
        EXPECT_TRUE(test::WaitUntil([&] { return TopLabel(main) != kLabelBeforeFirstTick; }, kFirstTickTimeoutMs));
        EXPECT_TRUE(ShowsOtherThan(main, stopped));
        ExpectAccelerateButtonUntouched(main);
    }
    {
        SCOPED_TRACE("the placeholder");
        ASSERT_TRUE(Pick(main, 0));
        ExpectNoChoice(main);
        EXPECT_TRUE(ShowsPicture(main, stopped));
        EXPECT_EQ(Items(main), (Texts{kSelect, " BearFlix", " Emule", " Shareaza"}));
        ExpectAccelerateButtonUntouched(main);
    }
    {
        SCOPED_TRACE("text typed into the edit field");
        HWND edit = ::FindWindowExA(Combo(main), nullptr, "Edit", nullptr);
        ASSERT_NE(edit, nullptr);
        for (char ch : std::string(" Emule")) Send(edit, WM_CHAR, static_cast<WPARAM>(ch), 1);
        Send(main, WM_NULL, 0, 0);
        // The list may follow the typing with its highlight; the choice does not.
        EXPECT_FALSE(Enabled(main, IDC_RUN));
        EXPECT_FALSE(Enabled(main, IDC_ACCELERATE));
        EXPECT_EQ(Stored("APP_NAME"), "");
        EXPECT_EQ(Stored("APP_PATH"), "");
    }
    {
        SCOPED_TRACE("a present client again");
        ASSERT_TRUE(Pick(main, 3));
        ExpectChoiceMade(main, kShareaza, shareaza);
        EXPECT_TRUE(ShowsOtherThan(main, stopped));
    }
    {
        SCOPED_TRACE("a client whose executable was deleted");
        ASSERT_TRUE(::DeleteFileA(emule.c_str()));
        ExpectNotFoundBox(PickMissing(program, main, 2, 3), " Emule");
        EXPECT_EQ(Items(main), (Texts{kSelect, " BearFlix", " Shareaza"}));
        ExpectNoChoice(main);
        EXPECT_TRUE(ShowsPicture(main, stopped));
        ExpectAccelerateButtonUntouched(main);
    }
    {
        SCOPED_TRACE("the clients around it keep their paths");
        ASSERT_TRUE(Pick(main, 2));
        ExpectChoiceMade(main, kShareaza, shareaza);
        ASSERT_TRUE(Pick(main, 1));
        ExpectChoiceMade(main, kBearFlix, bearflix);
    }
    {
        SCOPED_TRACE("removing the last clients");
        ASSERT_TRUE(::DeleteFileA(shareaza.c_str()));
        ASSERT_TRUE(::DeleteFileA(bearflix.c_str()));
        ExpectNotFoundBox(PickMissing(program, main, 2, 2), " Shareaza");
        EXPECT_EQ(Items(main), (Texts{kSelect, " BearFlix"}));
        ExpectNotFoundBox(PickMissing(program, main, 1, 1), " BearFlix");
        EXPECT_EQ(Items(main), Texts{kNothing});
        EXPECT_EQ(test::TextOf(Combo(main)), kNothing);
        ExpectNoChoice(main);
        EXPECT_TRUE(ShowsPicture(main, stopped));
        ExpectAccelerateButtonUntouched(main);
    }
}

TEST_F(Launcher, RunStartsOnlyTheStoredPath) {
    std::string emule = Install(kEmule, "launcher_run");
    Store("APP_NAME", " Emule");
    Store("APP_PATH", "");
    std::string elsewhere = test::FreshFolder("launcher_run_elsewhere") + "\\runme.exe";
    ASSERT_TRUE(::CopyFileA(ProbeExe().c_str(), elsewhere.c_str(), FALSE));

    test::Program program("launcher_run");
    HWND main = Start(program);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(Selected(main), 1);
    ASSERT_TRUE(Enabled(main, IDC_RUN));

    // An empty stored path starts nothing, although the selected item has an executable.
    ASSERT_TRUE(PressRun(main));

    // The stored path is read when Run is pressed, whatever the list holds.
    Store("APP_PATH", elsewhere);
    ASSERT_TRUE(PressRun(main));
    const std::string record = elsewhere + ".args";
    ASSERT_TRUE(test::WaitUntil([&] { return test::FileExists(record) && !test::ReadFileText(record).empty(); }, kLaunchTimeoutMs));
    EXPECT_NE(test::ReadFileText(record).find("runme.exe"), std::string::npos) << test::ReadFileText(record);
    // Started before the second one, so it would have left its record by now.
    test::PumpMessages(1000);
    EXPECT_FALSE(test::FileExists(emule + ".args"));

    // Launching changes nothing else.
    EXPECT_EQ(Items(main), (Texts{kSelect, " Emule"}));
    EXPECT_EQ(Selected(main), 1);
    EXPECT_EQ(Stored("APP_NAME"), " Emule");
    EXPECT_EQ(Stored("APP_PATH"), elsewhere);
    EXPECT_TRUE(Enabled(main, IDC_RUN));
    EXPECT_TRUE(Enabled(main, IDC_ACCELERATE));
}

// The existence rule on real files: a file search that finds an entry, and paths a search
// cannot take whole count as missing.
TEST(LauncherExistenceRule, FindsWhatAFileSearchFinds) {
    const std::string folder = test::FreshFolder("launcher_exists");
    const std::string present = folder + "\\client.exe";
    ASSERT_TRUE(::CopyFileA(ProbeExe().c_str(), present.c_str(), FALSE));

    // Names that bring the whole path to exactly the longest searchable length, and one past.
    auto named = [&](size_t length) {
        size_t room = length - folder.size() - 1 - 4;
        return folder + "\\" + std::string(room, 'l') + ".exe";
    };
    const std::string longest = named(launcher::kMaxSearchablePathLength);
    const std::string tooLong = named(launcher::kMaxSearchablePathLength + 1);
    for (const std::string& path : {longest, tooLong}) {
        // Wide calls with the long-path prefix create files beyond the ANSI limit.
        std::wstring wide(L"\\\\?\\");
        for (char ch : path) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(ch)));
        HANDLE created = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(created, INVALID_HANDLE_VALUE) << path.size();
        fw::UniqueHandle file(created);
    }

    struct Case {
        const char* label;
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {"present file", present, true},
        {"missing file", folder + "\\gone.exe", false},
        {"empty path", "", false},
        {"a folder is an entry too", folder, true},
        {"longest searchable path", longest, true},
        {"one character longer", tooLong, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(launcher::ExecutableExists(c.path), c.exists) << c.path.size();
    }
}

}  // namespace
