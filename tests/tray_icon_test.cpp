// The notification-area icon: its record, its three situations with the shell refusing or
// accepting, re-adding after the taskbar comes back, the right-click menu and the double
// click routed to the main window, hiding into the tray and back, and the rectangle rules
// of the caption animation.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Wnd.h"
#include "res/resource.h"
#include "tests/support/Support.h"
#include "widgets/TrayIcon.h"

namespace {

constexpr UINT kCallbackMessage = WM_TRAY_NOTIFY;
constexpr UINT kIconId = IDR_TRAYMENU;
constexpr DWORD kWaitMs = 5000;

// ---- The shell, played by the test -------------------------------------------------------

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA record;
};

struct StandInShell {
    static std::vector<ShellCall> calls;
    static BOOL answer;
    static BOOL WINAPI Call(DWORD message, PNOTIFYICONDATAA data) {
        calls.push_back({message, *data});
        return answer;
    }
};
std::vector<ShellCall> StandInShell::calls;
BOOL StandInShell::answer = TRUE;

std::vector<DWORD> MessagesOf(const std::vector<ShellCall>& calls) {
    std::vector<DWORD> messages;
    for (const ShellCall& call : calls) messages.push_back(call.message);
    return messages;
}

// The flags and the record are the icon's own business; the test reads them through a
// derived class, which also watches the popup-menu hook.
class CProbeTrayIcon : public CTrayIcon {
public:
    BOOL hidden() const { return IconHidden; }
    BOOL removed() const { return IconRemoved; }
    BOOL shellSupported() const { return ShellSupported; }
    UINT addFlags() const { return AddFlags; }
    const NOTIFYICONDATAA& record() const { return IconRecord; }

    std::vector<HMENU> adjusted;
    void AdjustPopupMenu(HMENU popup) override { adjusted.push_back(popup); }
};

// The window that stands for the program's main window: it records what reaches it.
class CTargetWindow : public fw::CWnd {
public:
    struct Received {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Received> received;

    BEGIN_MSG_MAP(CTargetWindow, fw::CWnd)
        MESSAGE_HANDLER(WM_COMMAND, Record)
        MESSAGE_HANDLER(WM_NULL, Record)
        MESSAGE_HANDLER(kCallbackMessage, Record)
    END_MSG_MAP()

    bool Create(DWORD style = WS_POPUP) {
        return fw::CWnd::RegisterClass("KelvaraTrayTestTarget", 0) &&
               CreateEx(0, "KelvaraTrayTestTarget", "tray test target", style, 100, 100, 300, 200, nullptr, nullptr);
    }
    std::vector<Received> Of(UINT msg) const {
        std::vector<Received> matching;
        for (const Received& r : received) {
            if (r.msg == msg) matching.push_back(r);
        }
        return matching;
    }

private:
    LRESULT Record(UINT msg, WPARAM wParam, LPARAM lParam, bool&) {
        received.push_back({msg, wParam, lParam});
        return 0;
    }
};

class CTestApp : public fw::CWinApp {};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        StandInShell::calls.clear();
        StandInShell::answer = TRUE;
        realShell_ = ShellNotifyIcon;
        ShellNotifyIcon = StandInShell::Call;
        ASSERT_TRUE(target.Create());
        icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    }
    void TearDown() override { ShellNotifyIcon = realShell_; }

    ShellNotifyIconProc realShell_ = nullptr;
    CTargetWindow target;
    HICON icon = nullptr;
};

// ---- The record ----------------------------------------------------------------------

TEST_F(TrayIconTest, RecordIsFilledForTheShellWithTheTipCutTo127Bytes) {
    const std::string exact(127, 'e');
    struct Case {
        const char* label;
        std::string tip;
        bool nullTip;
        std::string expected;
    };
    const Case cases[] = {
        {"the program's tip", "Kelvara", false, "Kelvara"},
        {"127 bytes stay whole", exact, false, exact},
        {"128 bytes lose the last", exact + "X", false, exact},
        {"300 bytes keep the first 127", std::string(100, 'a') + std::string(200, 'b'), false,
         std::string(100, 'a') + std::string(27, 'b')},
        {"no tip at all", "", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        StandInShell::calls.clear();
        CProbeTrayIcon tray;
        ASSERT_TRUE(tray.CreateTrayIcon(&target, kCallbackMessage, c.nullTip ? nullptr : c.tip.c_str(), icon, kIconId));
        ASSERT_EQ(StandInShell::calls.size(), 1u);
        const ShellCall& add = StandInShell::calls[0];
        EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
        const NOTIFYICONDATAA& r = add.record;
        EXPECT_EQ(r.cbSize, sizeof(NOTIFYICONDATAA));
        EXPECT_EQ(r.hWnd, target.hwnd());
        EXPECT_EQ(r.uID, kIconId);
        EXPECT_EQ(r.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(r.uCallbackMessage, kCallbackMessage);
        EXPECT_EQ(r.hIcon, icon);
        EXPECT_EQ(std::string(r.szTip, ::strnlen(r.szTip, sizeof r.szTip)), c.expected);
        // The tip stays terminated, and nothing else of the record says anything.
        EXPECT_EQ(r.szTip[sizeof r.szTip - 1], '\0');
        const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
        for (size_t i = offsetof(NOTIFYICONDATAA, dwState); i < sizeof r; ++i) {
            ASSERT_EQ(bytes[i], 0u) << "byte " << i;
        }
        EXPECT_EQ(tray.addFlags(), static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    }
}

TEST_F(TrayIconTest, OwnWindowIsAHiddenTopLevelPopupThatHearsBroadcasts) {
    CProbeTrayIcon tray;
    EXPECT_EQ(tray.hwnd(), nullptr);
    tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId);
    HWND own = tray.hwnd();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(test::ClassOf(own), kTrayWindowClass);
    EXPECT_EQ(::GetAncestor(own, GA_PARENT), ::GetDesktopWindow());  // not message-only
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(own, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE | WS_CHILD),
              static_cast<DWORD>(WS_POPUP));
    EXPECT_TRUE(tray.shellSupported());
}

// ---- The three situations ------------------------------------------------------------------

enum class Step { Create, TaskbarCreated, WorkAreaChanged, OtherSettingChanged, Delete };

struct StepCase {
    const char* label;
    Step step;
    BOOL shellAnswer;
    std::vector<DWORD> expectedCalls;
    BOOL hidden;
    BOOL removed;
};

void RunSteps(CProbeTrayIcon& tray, CTargetWindow& target, HICON icon, const std::vector<StepCase>& steps) {
    for (const StepCase& s : steps) {
        SCOPED_TRACE(s.label);
        StandInShell::calls.clear();
        StandInShell::answer = s.shellAnswer;
        switch (s.step) {
        case Step::Create:
            tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId);
            break;
        case Step::TaskbarCreated:
            ::SendMessageA(tray.hwnd(), TaskbarCreatedMessage, 0, 0);
            break;
        case Step::WorkAreaChanged:
            ::SendMessageA(tray.hwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
            break;
        case Step::OtherSettingChanged:
            ::SendMessageA(tray.hwnd(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
            break;
        case Step::Delete:
            tray.DeleteTrayIcon();
            break;
        }
        EXPECT_EQ(MessagesOf(StandInShell::calls), s.expectedCalls);
        for (const ShellCall& call : StandInShell::calls) {
            // A re-add brings back what the first add showed; a delete names the icon only.
            EXPECT_EQ(call.record.uFlags, call.message == NIM_ADD ? static_cast<UINT>(7) : 0u);
            EXPECT_EQ(call.record.uID, kIconId);
            EXPECT_EQ(call.record.hWnd, target.hwnd());
            EXPECT_STREQ(call.record.szTip, "Kelvara");
        }
        EXPECT_EQ(tray.hidden(), s.hidden);
        EXPECT_EQ(tray.removed(), s.removed);
    }
}

const std::vector<DWORD> kNoCall;
const std::vector<DWORD> kAdd{NIM_ADD};
const std::vector<DWORD> kDelete{NIM_DELETE};

TEST_F(TrayIconTest, ShownIconIsReaddedUntilAnAddFailsAndIsThenGivenUp) {
    CProbeTrayIcon tray;
    RunSteps(tray, target, icon,
             {
                 {"the add succeeds: shown", Step::Create, TRUE, kAdd, FALSE, FALSE},
                 {"taskbar back: added again, still shown", Step::TaskbarCreated, TRUE, kAdd, FALSE, FALSE},
                 {"another setting: nothing", Step::OtherSettingChanged, TRUE, kNoCall, FALSE, FALSE},
                 {"work area changed, shell refuses: given up", Step::WorkAreaChanged, FALSE, kAdd, TRUE, FALSE},
                 {"given up: the taskbar's return adds nothing", Step::TaskbarCreated, TRUE, kNoCall, TRUE, FALSE},
                 {"given up: a work-area change adds nothing", Step::WorkAreaChanged, TRUE, kNoCall, TRUE, FALSE},
                 {"a refused delete changes nothing", Step::Delete, FALSE, kDelete, TRUE, FALSE},
                 {"a delete still asks the shell: out", Step::Delete, TRUE, kDelete, TRUE, TRUE},
                 {"out: a second delete makes no call", Step::Delete, TRUE, kNoCall, TRUE, TRUE},
                 {"out: the taskbar's return adds nothing", Step::TaskbarCreated, TRUE, kNoCall, TRUE, TRUE},
             });
}

TEST_F(TrayIconTest, IconWhoseFirstAddFailedIsNeverRetried) {
    CProbeTrayIcon tray;
    RunSteps(tray, target, icon,
             {
                 {"the add fails: out", Step::Create, FALSE, kAdd, TRUE, TRUE},
                 {"taskbar back: nothing", Step::TaskbarCreated, TRUE, kNoCall, TRUE, TRUE},
                 {"work area changed: nothing", Step::WorkAreaChanged, TRUE, kNoCall, TRUE, TRUE},
                 {"delete: no call", Step::Delete, TRUE, kNoCall, TRUE, TRUE},
             });
}

TEST_F(TrayIconTest, DestructionDeletesOnlyAnIconThatIsInTheArea) {
    struct Case {
        const char* label;
        bool create;
        BOOL addAnswer;
        bool deleteFirst;
        std::vector<DWORD> callsAtDestruction;
    };
    const Case cases[] = {
        {"never created", false, TRUE, false, kNoCall},
        {"first add failed", true, FALSE, false, kNoCall},
        {"already deleted", true, TRUE, true, kNoCall},
        {"shown", true, TRUE, false, kDelete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HWND own = nullptr;
        {
            CProbeTrayIcon tray;
            StandInShell::answer = c.addAnswer;
            if (c.create) tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId);
            StandInShell::answer = TRUE;
            if (c.deleteFirst) tray.DeleteTrayIcon();
            own = tray.hwnd();
            StandInShell::calls.clear();
        }
        EXPECT_EQ(MessagesOf(StandInShell::calls), c.callsAtDestruction);
        if (own) {
            EXPECT_FALSE(::IsWindow(own));
        }
    }
}

TEST_F(TrayIconTest, BroadcastOfTaskbarCreatedReachesTheIcon) {
    CProbeTrayIcon tray;
    ASSERT_TRUE(tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId));
    ASSERT_NE(TaskbarCreatedMessage, 0u);
    StandInShell::calls.clear();
    // As the shell announces a new taskbar: to every top-level window of the session.
    ::PostMessageA(HWND_BROADCAST, TaskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(test::WaitUntil([] { return !StandInShell::calls.empty(); }, kWaitMs));
    EXPECT_EQ(MessagesOf(StandInShell::calls), kAdd);
    EXPECT_FALSE(tray.hidden());
}

// ---- The real shell (Wine's notification area) ------------------------------------------

std::vector<HWND> NewIcons(const std::vector<HWND>& before) {
    std::vector<HWND> added;
    for (HWND w : test::WineTrayIconWindows()) {
        bool old = false;
        for (HWND b : before) old = old || b == w;
        if (!old) added.push_back(w);
    }
    return added;
}

TEST_F(TrayIconTest, RealShellShowsTheIconRoutesItsClicksAndTakesItAway) {
    ShellNotifyIcon = realShell_;
    const std::vector<HWND> before = test::WineTrayIconWindows();
    CProbeTrayIcon tray;
    ASSERT_TRUE(tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId));
    EXPECT_FALSE(tray.hidden());
    EXPECT_FALSE(tray.removed());

    std::vector<HWND> added;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            added = NewIcons(before);
            return added.size() == 1;
        },
        kWaitMs));

    // A double click on the icon comes back as the callback message naming the icon.
    ::PostMessageA(added[0], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
    ASSERT_TRUE(test::WaitUntil([&] { return !target.Of(kCallbackMessage).empty(); }, kWaitMs));
    const auto callback = target.Of(kCallbackMessage).front();
    EXPECT_EQ(callback.wParam, static_cast<WPARAM>(kIconId));
    EXPECT_EQ(LOWORD(callback.lParam), WM_LBUTTONDBLCLK);

    // The icon is still there, so the shell refuses to add it a second time.
    ::SendMessageA(tray.hwnd(), TaskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(tray.hidden());
    EXPECT_FALSE(tray.removed());

    tray.DeleteTrayIcon();
    EXPECT_TRUE(tray.hidden());
    EXPECT_TRUE(tray.removed());
    EXPECT_TRUE(test::WaitUntil([&] { return NewIcons(before).empty(); }, kWaitMs));
}

// ---- The callback: menu and double click -----------------------------------------------

// Watches for the popup menu from a timer of this thread (the menu runs its own loop here)
// and answers it with keys; if no menu ever shows, it ends any menu after a while.
class MenuWatcher {
public:
    explicit MenuWatcher(std::vector<WPARAM> keys) : keys_(std::move(keys)) {
        active_ = this;
        timer_ = ::SetTimer(nullptr, 0, kTickMs, Tick);
    }
    ~MenuWatcher() {
        ::KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    MenuWatcher(const MenuWatcher&) = delete;
    MenuWatcher& operator=(const MenuWatcher&) = delete;

    bool seen = false;
    HMENU shownMenu = nullptr;
    RECT menuRect{};
    int itemCount = 0;
    UINT firstItemId = 0;

private:
    static constexpr UINT kTickMs = 30;
    static constexpr int kGiveUpTicks = 200;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (MenuWatcher* self = active_) self->OnTick();
    }
    static BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
        if (test::ClassOf(window) == "#32768" && ::IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    void OnTick() {
        if (++ticks_ > kGiveUpTicks) {
            ::EndMenu();
            return;
        }
        if (seen) return;
        HWND menuWindow = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
        if (!menuWindow) return;
        seen = true;
        shownMenu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        ::GetWindowRect(menuWindow, &menuRect);
        itemCount = ::GetMenuItemCount(shownMenu);
        firstItemId = ::GetMenuItemID(shownMenu, 0);
        for (WPARAM key : keys_) ::PostMessageA(menuWindow, WM_KEYDOWN, key, 1);
    }

    static MenuWatcher* active_;
    std::vector<WPARAM> keys_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
};
MenuWatcher* MenuWatcher::active_ = nullptr;

class TrayCallbackTest : public TrayIconTest {
protected:
    void SetUp() override {
        TrayIconTest::SetUp();
        app.setMainWindow(&target);
        ASSERT_TRUE(tray.CreateTrayIcon(&target, kCallbackMessage, "Kelvara", icon, kIconId));
        ::SetForegroundWindow(target.hwnd());
        test::PumpMessages(50);
        target.received.clear();
    }
    void TearDown() override {
        tray.DeleteTrayIcon();  // while the stand-in still plays the shell
        TrayIconTest::TearDown();
    }

    CTestApp app;
    CProbeTrayIcon tray;
};

TEST_F(TrayCallbackTest, RightClickOpensTheFirstPopupOfTheMenuAtTheCursor) {
    struct Case {
        const char* label;
        std::vector<WPARAM> keys;
        std::vector<WPARAM> expectedCommands;
    };
    const Case cases[] = {
        {"closing the menu sends nothing", {VK_ESCAPE}, {}},
        {"the first item goes to the main window", {VK_DOWN, VK_RETURN}, {ID_RUN_AT_STARTUP}},
        {"the last item goes to the main window", {VK_UP, VK_RETURN}, {ID_APP_EXIT}},
    };
    const POINT cursor{320, 240};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::SetCursorPos(cursor.x, cursor.y);
        POINT actual{};
        ::GetCursorPos(&actual);
        tray.adjusted.clear();
        target.received.clear();

        MenuWatcher watcher(c.keys);
        EXPECT_EQ(tray.HandleTrayMessage(kIconId, WM_RBUTTONUP), 1);
        ASSERT_TRUE(watcher.seen);

        // The hook saw the very menu that opened: the "Settings" popup of menu 129.
        ASSERT_EQ(tray.adjusted.size(), 1u);
        EXPECT_EQ(tray.adjusted[0], watcher.shownMenu);
        EXPECT_EQ(watcher.itemCount, 11);
        EXPECT_EQ(watcher.firstItemId, static_cast<UINT>(ID_RUN_AT_STARTUP));
        EXPECT_EQ(watcher.menuRect.left, actual.x);
        EXPECT_EQ(watcher.menuRect.top, actual.y);
        // The loaded menu is gone once the call returns.
        EXPECT_FALSE(::IsMenu(tray.adjusted[0]));

        test::PumpMessages(100);
        std::vector<WPARAM> commands;
        for (const auto& r : target.Of(WM_COMMAND)) commands.push_back(r.wParam);
        EXPECT_EQ(commands, c.expectedCommands);
        EXPECT_EQ(target.Of(WM_NULL).size(), 1u);
    }
}

TEST_F(TrayCallbackTest, DoubleClickPostsTheEmptyCommandAndOtherMessagesDoNothing) {
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, WM_LBUTTONDBLCLK), 1);
    test::PumpMessages(50);
    ASSERT_EQ(target.Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(target.Of(WM_COMMAND)[0].wParam, 0u);
    EXPECT_EQ(target.Of(WM_COMMAND)[0].lParam, 0);

    target.received.clear();
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN}) {
        SCOPED_TRACE(mouse);
        MenuWatcher watcher({VK_ESCAPE});
        EXPECT_EQ(tray.HandleTrayMessage(kIconId, mouse), 1);
        EXPECT_FALSE(watcher.seen);
    }
    test::PumpMessages(50);
    EXPECT_TRUE(target.received.empty());
}

TEST_F(TrayCallbackTest, AnotherIconOrNoMainWindowGetsNothing) {
    struct Case {
        const char* label;
        WPARAM id;
        bool mainWindow;
        LPARAM mouse;
    };
    const Case cases[] = {
        {"another icon's right click", kIconId + 1, true, WM_RBUTTONUP},
        {"another icon's double click", kIconId + 1, true, WM_LBUTTONDBLCLK},
        {"no main window, right click", kIconId, false, WM_RBUTTONUP},
        {"no main window, double click", kIconId, false, WM_LBUTTONDBLCLK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        app.setMainWindow(c.mainWindow ? &target : nullptr);
        target.received.clear();
        tray.adjusted.clear();
        MenuWatcher watcher({VK_ESCAPE});
        EXPECT_EQ(tray.HandleTrayMessage(c.id, c.mouse), 0);
        EXPECT_FALSE(watcher.seen);
        EXPECT_TRUE(tray.adjusted.empty());
        test::PumpMessages(50);
        EXPECT_TRUE(target.received.empty());
    }
}

// ---- Hiding into the tray and back ----------------------------------------------------------

bool IsTopLevelWindow(HWND window) {
    for (HWND w : test::TopWindowsOf(::GetCurrentProcessId(), nullptr, nullptr)) {
        if (w == window) return true;
    }
    return false;
}

TEST(HideToTray, WindowLeavesScreenAndTaskbarAndComesBackInPlace) {
    CTargetWindow window;
    ASSERT_TRUE(window.Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    HWND w = window.hwnd();
    ::SetForegroundWindow(w);
    test::PumpMessages(50);
    RECT placed{};
    ::GetWindowRect(w, &placed);

    // Wine reports the window animation as off whatever it is set to, so these rounds take
    // the path without the caption animation.
    HWND owner = nullptr;
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        HideToTray(w);
        EXPECT_FALSE(::IsWindowVisible(w));
        ASSERT_NE(TrayOwnerWindow.hwnd(), nullptr);
        if (owner) {
            EXPECT_EQ(TrayOwnerWindow.hwnd(), owner) << "the owner window is made once";
        }
        owner = TrayOwnerWindow.hwnd();
        EXPECT_EQ(::GetAncestor(w, GA_PARENT), owner);
        EXPECT_FALSE(IsTopLevelWindow(w)) << "a window that is not top-level has no taskbar button";
        EXPECT_EQ(test::ClassOf(owner), kTrayWindowClass);
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(owner, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE),
                  static_cast<DWORD>(WS_POPUP));

        RestoreFromTray(w);
        EXPECT_TRUE(::IsWindowVisible(w));
        EXPECT_EQ(::GetAncestor(w, GA_PARENT), ::GetDesktopWindow());
        EXPECT_EQ(::GetWindow(w, GW_OWNER), nullptr);
        EXPECT_TRUE(IsTopLevelWindow(w));
        EXPECT_EQ(::GetActiveWindow(), w);
        RECT back{};
        ::GetWindowRect(w, &back);
        EXPECT_TRUE(::EqualRect(&back, &placed)) << back.left << "," << back.top << " vs " << placed.left << ","
                                                 << placed.top;
    }
}

// ---- The rectangle rules -------------------------------------------------------------------

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

TEST(TrayArea, TaskbarOnEachEdgeAndTheWorkAreaFallback) {
    struct Case {
        const char* label;
        RECT taskbar;
        UINT edge;
        std::optional<RECT> expected;
    };
    const Case cases[] = {
        {"left: a strip 100 to 16 above the bottom, full width", {0, 0, 60, 1024}, ABE_LEFT, RECT{0, 924, 60, 1008}},
        {"right", {1220, 0, 1280, 1024}, ABE_RIGHT, RECT{1220, 924, 1280, 1008}},
        {"top: a strip 100 to 16 left of the right end, full height", {0, 0, 1280, 40}, ABE_TOP,
         RECT{1180, 0, 1264, 40}},
        {"bottom", {0, 984, 1280, 1024}, ABE_BOTTOM, RECT{1180, 984, 1264, 1024}},
        {"bottom of a second screen", {1280, 1000, 2560, 1030}, ABE_BOTTOM, RECT{2460, 1000, 2544, 1030}},
        {"an edge the shell does not define", {0, 984, 1280, 1024}, 7, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::optional<RECT> area = TrayAreaOfTaskbar(c.taskbar, c.edge);
        ASSERT_EQ(area.has_value(), c.expected.has_value());
        if (area) {
            EXPECT_TRUE(SameRect(*area, *c.expected)) << Show(*area);
        }
    }

    struct WorkCase {
        const char* label;
        RECT work;
        RECT expected;
    };
    const WorkCase workCases[] = {
        {"screen corner", {0, 0, 1280, 984}, {1130, 954, 1280, 984}},
        {"work area not at the origin", {100, 50, 900, 700}, {750, 670, 900, 700}},
    };
    for (const WorkCase& c : workCases) {
        SCOPED_TRACE(c.label);
        RECT area = TrayAreaOfWorkArea(c.work);
        EXPECT_TRUE(SameRect(area, c.expected)) << Show(area);
    }
}

// A taskbar of our own, with windows of the shell's class names, walked as the shell's
// would be.
class FakeTaskbar {
public:
    struct Child {
        const char* className;
        RECT screenRect;
        int parentIndex;  // -1: the taskbar itself
    };

    FakeTaskbar(const RECT& rect, const std::vector<Child>& children) {
        for (const char* name : {"FakeTrayBar", "TrayNotifyWnd", "TrayClockWClass", "ReBarWindow32"}) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = ::DefWindowProcA;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.lpszClassName = name;
            ::RegisterClassA(&wc);
        }
        bar_ = ::CreateWindowExA(0, "FakeTrayBar", "", WS_POPUP, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        std::vector<HWND> made;
        for (const Child& c : children) {
            HWND parent = c.parentIndex < 0 ? bar_ : made[static_cast<size_t>(c.parentIndex)];
            RECT local = c.screenRect;
            ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&local), 2);
            made.push_back(::CreateWindowExA(0, c.className, "", WS_CHILD, local.left, local.top,
                                             local.right - local.left, local.bottom - local.top, parent, nullptr,
                                             ::GetModuleHandleA(nullptr), nullptr));
        }
    }
    ~FakeTaskbar() { ::DestroyWindow(bar_); }
    FakeTaskbar(const FakeTaskbar&) = delete;
    FakeTaskbar& operator=(const FakeTaskbar&) = delete;

    RECT Walk() const {
        RECT area{};
        ::GetWindowRect(bar_, &area);
        ::EnumChildWindows(bar_, ProbeTrayChild, reinterpret_cast<LPARAM>(&area));
        return area;
    }

private:
    HWND bar_ = nullptr;
};

TEST(TrayArea, ClockAboveOrBesideTheIconsNarrowsTheNotificationWindow) {
    const RECT bar{0, 984, 1280, 1024};
    const RECT notify{1100, 986, 1278, 1022};
    struct Case {
        const char* label;
        std::vector<FakeTaskbar::Child> children;
        RECT expected;
    };
    const Case cases[] = {
        {"no notification window: the whole taskbar", {{"ReBarWindow32", {0, 986, 1000, 1022}, -1}}, bar},
        {"notification window without a clock", {{"TrayNotifyWnd", notify, -1}}, notify},
        {"clock beside the icons: right edge at the clock",
         {{"TrayNotifyWnd", notify, -1}, {"TrayClockWClass", {1220, 988, 1276, 1020}, 0}},
         {1100, 986, 1220, 1022}},
        {"clock bottom exactly 5 above: still beside",
         {{"TrayNotifyWnd", notify, -1}, {"TrayClockWClass", {1220, 988, 1276, 1017}, 0}},
         {1100, 986, 1220, 1022}},
        {"clock bottom 6 above: above the icons, top edge at the clock",
         {{"TrayNotifyWnd", notify, -1}, {"TrayClockWClass", {1104, 988, 1274, 1016}, 0}},
         {1100, 1016, 1278, 1022}},
        {"the walk stops at the clock",
         {{"TrayNotifyWnd", notify, -1},
          {"TrayClockWClass", {1220, 988, 1276, 1020}, 0},
          {"TrayNotifyWnd", {10, 990, 50, 1020}, -1}},
         {1100, 986, 1220, 1022}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeTaskbar taskbar(bar, c.children);
        RECT area = taskbar.Walk();
        EXPECT_TRUE(SameRect(area, c.expected)) << Show(area);
    }
}

TEST(TrayArea, ShellTaskbarWindowIsTheStartingArea) {
    // Wine's explorer keeps an empty "Shell_TrayWnd" without notification or clock windows.
    HWND shellBar = ::FindWindowA("Shell_TrayWnd", nullptr);
    if (!shellBar) GTEST_SKIP() << "no taskbar window in this session";
    RECT expected{};
    ::GetWindowRect(shellBar, &expected);
    RECT area{-1, -1, -1, -1};
    FindTrayArea(area);
    EXPECT_TRUE(SameRect(area, expected)) << Show(area);
}

}  // namespace
