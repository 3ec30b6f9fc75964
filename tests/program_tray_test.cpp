// The real Kelvara.exe under Wine with its notification-area icon: the icon while the
// program runs, hiding into the tray and coming back through the icon, the tray menu on a
// right click, the buttons' tooltips, and the settings file written beside the program
// when it ends.
//
// Wine shows notification icons without a real taskbar in a window of its own, one small
// window per icon, which passes the mouse messages it gets on to the icon's owner as the
// icon's callback message: the tests click those windows as a user would click the icon.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/Support.h"
#include "widgets/TrayIcon.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 15000;
constexpr DWORD kWaitMs = 10000;

const char kDefaultsFile[] =
    "[main]\r\nalwaysontop=0\r\nnsresolve=0\r\nportresolve=0\r\nidleseconds=10\r\n"
    "[filters]\r\nfiltertcp=0\r\nfilterudp=0\r\nfiltericmp=0\r\n"
    "[mainwindow]\r\nstatus=-1\r\ntop=-1\r\nbottom=-1\r\nleft=-1\r\nright=-1\r\n"
    "[list]\r\nsrcaddr=120\r\ndestaddr=120\r\nsrcport=80\r\ndestport=80\r\nproto=50\r\ntraffic=100\r\nbs=80\r\n"
    "abs=80\r\n"
    "[log]\r\nuselogfile=0\r\nautodelete=0\r\nmbdelete=1\r\nlogtype=0\r\nlogfile=\r\n";


bool Contains(const std::vector<HWND>& windows, HWND window) {
    for (HWND w : windows) {
        if (w == window) return true;
    }
    return false;
}

// The icon windows that were not there before.
std::vector<HWND> NewIcons(const std::vector<HWND>& before) {
    std::vector<HWND> added;
    for (HWND w : test::WineTrayIconWindows()) {
        if (!Contains(before, w)) added.push_back(w);
    }
    return added;
}

// The visible popup menu of the process, or null.
HWND MenuWindowOf(DWORD processId) {
    for (HWND w : test::TopWindowsOf(processId, "#32768", nullptr)) {
        if (::IsWindowVisible(w)) return w;
    }
    return nullptr;
}

class ProgramTray : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara"); }

    // Starts the program and waits for its main window and its icon.
    void StartProgram(test::Program& program) {
        iconsBefore_ = test::WineTrayIconWindows();
        ASSERT_TRUE(program.Start());
        main_ = program.WaitForMainWindow(kStartTimeoutMs);
        ASSERT_NE(main_, nullptr);
        std::vector<HWND> added;
        ASSERT_TRUE(test::WaitUntil(
            [&] {
                added = NewIcons(iconsBefore_);
                return added.size() == 1;
            },
            kWaitMs))
            << "icons added: " << added.size();
        icon_ = added[0];
    }

    // Hidden means out of sight and handed to the owner window, with the visible bit off
    // (the re-parenting shows and hides the window on its way, so either alone is too early).
    bool IsHidden() const {
        return !::IsWindowVisible(main_) && ::GetAncestor(main_, GA_PARENT) != ::GetDesktopWindow() &&
               !(::GetWindowLongA(main_, GWL_STYLE) & WS_VISIBLE);
    }
    bool IsRestored() const {
        return ::IsWindowVisible(main_) && ::GetAncestor(main_, GA_PARENT) == ::GetDesktopWindow();
    }

    void Hide() {
        ::PostMessageA(main_, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(test::WaitUntil([&] { return IsHidden(); }, kWaitMs));
    }

    void Quit(test::Program& program) {
        HWND quit = ::GetDlgItem(main_, IDC_QUIT);
        ::PostMessageA(main_, WM_COMMAND, MAKEWPARAM(IDC_QUIT, BN_CLICKED), reinterpret_cast<LPARAM>(quit));
        ASSERT_TRUE(program.WaitForExit(kEndTimeoutMs));
    }

    bool IsTopLevelOf(const test::Program& program) const {
        return Contains(test::TopWindowsOf(program.processId(), nullptr, nullptr), main_);
    }

    std::vector<HWND> iconsBefore_;
    HWND main_ = nullptr;
    HWND icon_ = nullptr;
};

TEST_F(ProgramTray, IconLivesWithTheProgramAndTheSettingsFileAppearsAtTheEnd) {
    test::Program program("tray_lifetime");
    StartProgram(program);
    const std::string ini = program.folder() + "\\Kelvara.ini";
    EXPECT_EQ(test::ReadFileText(ini), "(no file)") << "the settings are only read at start";

    Quit(program);
    EXPECT_TRUE(test::WaitUntil([&] { return NewIcons(iconsBefore_).empty(); }, kWaitMs));
    EXPECT_FALSE(::IsWindow(icon_));
    EXPECT_EQ(test::ReadFileText(ini), kDefaultsFile);
}

TEST_F(ProgramTray, HiddenWindowBelongsToTheTrayOwnerAndComesBackOnADoubleClick) {
    test::Program program("tray_hide");
    StartProgram(program);
    RECT placed{};
    ::GetWindowRect(main_, &placed);

    struct Case {
        const char* label;
        bool throughTheIcon;
    };
    const Case cases[] = {
        {"the callback message posted to the window", false},
        {"a double click on the icon", true},
    };
    HWND owner = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Hide();
        ASSERT_TRUE(::IsWindow(main_));
        HWND parent = ::GetAncestor(main_, GA_PARENT);
        EXPECT_EQ(test::ClassOf(parent), kTrayWindowClass);
        DWORD parentProcess = 0;
        ::GetWindowThreadProcessId(parent, &parentProcess);
        EXPECT_EQ(parentProcess, program.processId());
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(parent, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE),
                  static_cast<DWORD>(WS_POPUP));
        if (owner) {
            EXPECT_EQ(parent, owner) << "one owner window for the life of the process";
        }
        owner = parent;
        EXPECT_FALSE(IsTopLevelOf(program)) << "no taskbar button while hidden";

        if (c.throughTheIcon) {
            ::PostMessageA(icon_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
        } else {
            ::PostMessageA(main_, WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
        }
        ASSERT_TRUE(test::WaitUntil([&] { return IsRestored(); }, kWaitMs));
        EXPECT_EQ(::GetAncestor(main_, GA_PARENT), ::GetDesktopWindow());
        EXPECT_EQ(::GetWindow(main_, GW_OWNER), nullptr);
        EXPECT_TRUE(IsTopLevelOf(program));
        RECT back{};
        ::GetWindowRect(main_, &back);
        EXPECT_TRUE(::EqualRect(&back, &placed));
    }
    EXPECT_TRUE(program.running());
    Quit(program);
}

TEST_F(ProgramTray, RightClickOnTheIconOpensTheTrayMenu) {
    struct Case {
        const char* label;
        std::vector<WPARAM> keys;
        bool ends;
    };
    const Case cases[] = {
        {"closing the menu changes nothing", {VK_ESCAPE}, false},
        {"its last item, Exit, ends the program", {VK_UP, VK_RETURN}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::Program program("tray_menu");
        StartProgram(program);
        Hide();  // the menu serves a window that is out of sight as well

        ::PostMessageA(icon_, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
        HWND menu = nullptr;
        ASSERT_TRUE(test::WaitUntil([&] { return (menu = MenuWindowOf(program.processId())) != nullptr; }, kWaitMs));
        for (WPARAM key : c.keys) ::PostMessageA(menu, WM_KEYDOWN, key, 1);
        EXPECT_TRUE(test::WaitUntil([&] { return MenuWindowOf(program.processId()) == nullptr; }, kWaitMs));

        if (c.ends) {
            EXPECT_TRUE(program.WaitForExit(kEndTimeoutMs));
            EXPECT_EQ(test::ReadFileText(program.folder() + "\\Kelvara.ini"), kDefaultsFile);
        } else {
            test::PumpMessages(500);
            EXPECT_TRUE(program.running());
            EXPECT_FALSE(::IsWindowVisible(main_));
            Quit(program);
        }
    }
}

TEST_F(ProgramTray, EachTipButtonOfTheMainWindowHasOneTool) {
    test::Program program("tray_tooltips");
    StartProgram(program);
    int tooltips = 0;
    for (HWND w : test::TopWindowsOf(program.processId(), "tooltips_class32", nullptr)) {
        if (::GetWindow(w, GW_OWNER) != main_) continue;
        ++tooltips;
        EXPECT_EQ(::SendMessageA(w, TTM_GETTOOLCOUNT, 0, 0), 1);
    }
    EXPECT_EQ(tooltips, 3) << "ACCELLERATE!, Quit and Run";
    Quit(program);
}

}  // namespace
