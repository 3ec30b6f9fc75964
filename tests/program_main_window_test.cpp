// The real Kelvara.exe under Wine: its main window, the ways it hides and ends, the
// updater start, the web commands and the start without the skinning library.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/WebLinks.h"
#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 15000;

struct ExpectedControl {
    int id;
    const char* className;
    int x, y, width, height;  // dialog units
    DWORD style;              // bits that must be set (besides WS_CHILD | WS_VISIBLE)
};

// Template 102 in tab order.
const ExpectedControl kMainControls[] = {
    {IDC_ACCELERATE, "Button", 16, 62, 142, 29, BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_MULTILINE | WS_TABSTOP},
    {IDC_QUIT, "Button", 164, 62, 102, 29, BS_PUSHBUTTON | BS_CENTER | WS_TABSTOP},
    {IDC_STATIC, "Static", 16, 116, 56, 8, SS_LEFT},
    {IDC_STATIC, "Button", 8, 47, 263, 85, BS_GROUPBOX},
    {IDC_STATIC, "Button", 8, 135, 263, 98, BS_GROUPBOX},
    {IDC_GRAPH_HOST, "Static", 38, 149, 229, 44, SS_LEFTNOWORDWRAP | WS_BORDER},
    {IDC_LABEL_TOP, "Static", 11, 148, 26, 8, SS_RIGHT},
    {IDC_LABEL_MIDDLE, "Static", 13, 167, 24, 8, SS_RIGHT},
    {IDC_LABEL_BOTTOM, "Static", 13, 186, 24, 8, SS_RIGHT},
    {IDC_ADAPTERS, "ComboBox", 74, 115, 192, 68, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP},
    {IDC_RUN, "Button", 230, 98, 36, 13, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_LAUNCHER, "ComboBox", 47, 98, 178, 130, CBS_DROPDOWN | WS_VSCROLL},
    {IDC_BANNER, "Static", 14, 10, 253, 36, SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY},
    {IDC_LEGEND, "Static", 176, 199, 91, 28, SS_BITMAP},
    {IDC_LEVEL_PICTURE, "Static", 13, 211, 39, 16, SS_BLACKFRAME},
    {IDC_STATIC, "Static", 16, 99, 29, 8, SS_LEFT},
};

std::vector<HWND> ChildrenInOrder(HWND parent) {
    std::vector<HWND> result;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        result.push_back(child);
    }
    return result;
}

RECT ClientRectOf(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }



class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh user: no stored choice, so nothing of an earlier test carries over.
        test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara");
    }
};

TEST_F(MainWindow, ShowsEveryControlOfItsTemplate) {
    // The template as built into the program, laid out by the dialog manager here.
    HWND local = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KELVARA_DIALOG), nullptr,
                                      PassiveDialogProc, 0);
    ASSERT_NE(local, nullptr);
    std::vector<HWND> localChildren = ChildrenInOrder(local);
    ASSERT_EQ(localChildren.size(), std::size(kMainControls));

    test::Program program("main_controls");
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(test::TextOf(main), "Kelvara");

    std::vector<HWND> children;
    for (HWND child : ChildrenInOrder(main)) {
        if (::GetDlgCtrlID(child) != IDC_HISTOGRAM) children.push_back(child);
    }
    ASSERT_EQ(children.size(), std::size(kMainControls));

    for (size_t i = 0; i < std::size(kMainControls); ++i) {
        const ExpectedControl& want = kMainControls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        HWND mine = children[i];
        HWND reference = localChildren[i];

        EXPECT_EQ(::GetDlgCtrlID(mine), want.id);
        EXPECT_EQ(test::ClassOf(mine), want.className);
        // The dialog manager turns a child's WS_BORDER into a client edge, and a combo box
        // hands its WS_VSCROLL to its list.
        DWORD style = static_cast<DWORD>(::GetWindowLongA(mine, GWL_STYLE));
        DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(mine, GWL_EXSTYLE));
        DWORD plain = (want.style | WS_CHILD) & ~(WS_BORDER | WS_VSCROLL);
        EXPECT_EQ(style & plain, plain) << std::hex << style;
        if (want.style & WS_BORDER) {
            EXPECT_TRUE((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
        }

        RECT units{want.x, want.y, want.x + want.width, want.y + want.height};
        ::MapDialogRect(local, &units);
        RECT laidOut = ClientRectOf(reference);
        RECT shown = ClientRectOf(mine);
        EXPECT_EQ(laidOut.left, units.left);
        EXPECT_EQ(laidOut.top, units.top);
        EXPECT_EQ(shown.left, units.left);
        EXPECT_EQ(shown.top, units.top);
        if (want.id != IDC_LEVEL_PICTURE) {  // the level picture sizes itself to its picture
            EXPECT_EQ(shown.right, laidOut.right);
            EXPECT_EQ(shown.bottom, laidOut.bottom);
        }
    }
    ::DestroyWindow(local);

    // Texts after initialisation.
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_ACCELERATE)), "Status: accelerating\nPress to stop acceleration");
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_QUIT)), "&Quit");
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_RUN)), "Run");
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_LAUNCHER)), " No P2P Application has been detected");
    EXPECT_EQ(::SendMessageA(::GetDlgItem(main, IDC_ACCELERATE), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(MainWindow, ScaleLabelsStartWithADecimalComma) {
    test::Program program("main_labels");
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_LABEL_TOP)), "1,0%");
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_LABEL_MIDDLE)), "0,5%");
    EXPECT_EQ(test::TextOf(::GetDlgItem(main, IDC_LABEL_BOTTOM)), "0%");
}

TEST_F(MainWindow, SystemMenuOpensTheAboutBox) {
    test::Program program("main_about");
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(main, nullptr);

    for (UINT command : {static_cast<UINT>(IDM_ABOUTBOX), static_cast<UINT>(ID_APP_ABOUT)}) {
        SCOPED_TRACE(command);
        if (command == IDM_ABOUTBOX) {
            ::PostMessageA(main, WM_SYSCOMMAND, command, 0);
        } else {
            ::PostMessageA(main, WM_COMMAND, command, 0);
        }
        HWND about = nullptr;
        ASSERT_TRUE(test::WaitUntil(
            [&] {
                for (HWND w : test::TopWindowsOf(program.processId(), "#32770", "Kelvara")) {
                    if (w != main && ::IsWindowVisible(w) && ::GetDlgItem(w, IDC_ABOUT_VERSION)) about = w;
                }
                return about != nullptr;
            },
            kStartTimeoutMs));
        EXPECT_EQ(test::TextOf(::GetDlgItem(about, IDC_ABOUT_VERSION)), "Version 3.9.0");
        EXPECT_TRUE(::GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ::PostMessageA(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(test::WaitUntil([&] { return !::IsWindow(about); }, kEndTimeoutMs));
    }
}

TEST_F(MainWindow, CloseBoxAndEscapeHideTheWindowAndTheProgramGoesOn) {
    struct Case {
        const char* label;
        UINT msg;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
        {"Escape key", WM_KEYDOWN, VK_ESCAPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::Program program("main_hide");
        ASSERT_TRUE(program.Start());
        HWND main = program.WaitForMainWindow(kStartTimeoutMs);
        ASSERT_NE(main, nullptr);
        // Keys go to the control that has the focus; the dialog manager turns Escape into
        // IDCANCEL.
        HWND target = c.msg == WM_KEYDOWN ? ::GetDlgItem(main, IDC_QUIT) : main;
        ::PostMessageA(target, c.msg, c.wParam, 0);
        EXPECT_TRUE(test::WaitUntil([&] { return !::IsWindowVisible(main); }, kEndTimeoutMs));
        test::PumpMessages(500);
        EXPECT_TRUE(program.running());
        EXPECT_TRUE(::IsWindow(main));
    }
}

TEST_F(MainWindow, QuitExitAndEnterEndTheProgram) {
    struct Case {
        const char* label;
        int how;
    };
    const Case cases[] = {{"Quit button", 0}, {"tray menu Exit", 1}, {"Enter key", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::Program program("main_end");
        ASSERT_TRUE(program.Start());
        HWND main = program.WaitForMainWindow(kStartTimeoutMs);
        ASSERT_NE(main, nullptr);
        if (c.how == 0) {
            HWND quit = ::GetDlgItem(main, IDC_QUIT);
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_QUIT, BN_CLICKED), reinterpret_cast<LPARAM>(quit));
        } else if (c.how == 1) {
            ::PostMessageA(main, WM_COMMAND, ID_APP_EXIT, 0);
        } else {
            // Enter in the launcher's edit field, which is not a push button.
            HWND edit = ::FindWindowExA(::GetDlgItem(main, IDC_LAUNCHER), nullptr, "Edit", nullptr);
            ASSERT_NE(edit, nullptr);
            ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
        }
        EXPECT_TRUE(program.WaitForExit(kEndTimeoutMs));
    }
}

TEST_F(MainWindow, TrayArgumentChangesNothingAndCopiesRunSideBySide) {
    test::Program first("main_first");
    test::Program second("main_second");
    ASSERT_TRUE(first.Start("-tray"));
    HWND one = first.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(one, nullptr);
    ASSERT_TRUE(second.Start());
    HWND two = second.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(two, nullptr);
    EXPECT_NE(one, two);
    EXPECT_TRUE(first.running());

    // Both centred on the work area, whatever the command line said.
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (HWND w : {one, two}) {
        RECT r{};
        ::GetWindowRect(w, &r);
        EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
    }
}

TEST_F(MainWindow, UpdaterIsOpenedOnlyFromTheProgramsFolder) {
    const std::string probe = test::BinDir() + "\\uplift_probe.exe";
    {
        test::Program program("updater_beside");
        ASSERT_TRUE(::CopyFileA(probe.c_str(), (program.folder() + "\\Uplift.exe").c_str(), FALSE));
        ASSERT_TRUE(program.Start());
        ASSERT_NE(program.WaitForMainWindow(kStartTimeoutMs), nullptr);
        std::string record = program.folder() + "\\Uplift.exe.args";
        ASSERT_TRUE(test::WaitUntil([&] { return test::FileExists(record) && !test::ReadFileText(record).empty(); }, 10000));
        std::string args = test::ReadFileText(record);
        EXPECT_NE(args.find("\"Kelvara\" \"2\" \"3.9.0\" \"www.example.com\" \"false\""), std::string::npos) << args;
    }
    {
        // A file named Uplift.exe in the folder the user starts from is never run.
        test::Program program("updater_elsewhere");
        std::string planted = test::FreshFolder("updater_planted");
        ASSERT_TRUE(::CopyFileA(probe.c_str(), (planted + "\\Uplift.exe").c_str(), FALSE));
        ASSERT_TRUE(program.Start("", planted));
        ASSERT_NE(program.WaitForMainWindow(kStartTimeoutMs), nullptr);
        test::PumpMessages(3000);
        EXPECT_FALSE(test::FileExists(planted + "\\Uplift.exe.args"));
    }
}

TEST_F(MainWindow, DoesNotStartWithoutTheSkinningLibrary) {
    test::Program program("no_skin", /*withSkinLibrary=*/false);
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForExit(kStartTimeoutMs));
    EXPECT_NE(program.exitCode(), 0u);
    EXPECT_TRUE(test::TopWindowsOf(program.processId(), "#32770", "Kelvara").empty());
}

// Wine opens web addresses with the browsers listed under its WineBrowser key; a script
// that only records the address takes their place, so no browser ever starts.
class WebCommands : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        std::string recorder = std::string(KELVARA_SOURCE_DIR) + "/tests/tools/record-url.sh";
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                         static_cast<DWORD>(recorder.size() + 1));
        ::RegCloseKey(key);
        // The recorder runs as a Linux program and sees the environment the tests were
        // started with, where tools/test.sh names its log.
        char log[MAX_PATH] = "";
        ASSERT_GT(::GetEnvironmentVariableA("KELVARA_URL_LOG", log, sizeof log), 0u)
            << "KELVARA_URL_LOG is not set; run the tests through tools/test.sh";
        logLinux_ = log;
        ::DeleteFileA(test::WinPath(logLinux_).c_str());
    }
    std::vector<std::string> Opened() const {
        std::vector<std::string> lines;
        std::string log = test::WinPath(logLinux_);
        if (!test::FileExists(log)) return lines;
        std::istringstream in(test::ReadFileText(log));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::string logLinux_;
};

TEST_F(WebCommands, EachCommandOpensItsAddress) {
    test::Program program("web_commands");
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow(kStartTimeoutMs);
    ASSERT_NE(main, nullptr);

    struct Case {
        WPARAM command;
        const char* address;
    };
    const Case cases[] = {
        {ID_WEB_SAFETY, "https://www.example.org/safety"},
        {ID_WEB_FILE_SHARING, "https://www.example.org/"},
        {ID_WEB_EMUSIC, "https://www.example.net/emusic"},
        {ID_WEB_TORRENTS, "https://anonymity.example.net/?ref=kelvara"},
        {ID_WEB_MEDIA, "https://media.example.net/"},
        {ID_WEB_HELP, "https://www.example.com/"},
        {MAKEWPARAM(IDC_BANNER, STN_CLICKED), "https://www.example.com/"},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        ::PostMessageA(main, WM_COMMAND, c.command, 0);
        ASSERT_TRUE(test::WaitUntil([&] { return Opened().size() > seen; }, 15000));
        EXPECT_EQ(Opened()[seen], c.address);
        seen = Opened().size();
    }
}

}  // namespace
