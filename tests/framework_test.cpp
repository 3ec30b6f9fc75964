// The framework layer on real windows: message tables, default processing, subclassed
// controls, modal dialogs and data exchange.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

constexpr UINT kCustomMessage = WM_APP + 7;
constexpr UINT kPassedOnMessage = WM_APP + 8;
constexpr int kCommandA = 4001;
constexpr int kCommandB = 4002;

class CBaseProbe : public fw::CWnd {
public:
    std::vector<std::string> calls;

    BEGIN_MSG_MAP(CBaseProbe, fw::CWnd)
        COMMAND_ID_HANDLER(kCommandB, OnBaseCommand)
    END_MSG_MAP()

private:
    void OnBaseCommand() { calls.push_back("base B"); }
};

class CProbeWindow : public CBaseProbe {
public:
    BEGIN_MSG_MAP(CProbeWindow, CBaseProbe)
        MESSAGE_HANDLER(kCustomMessage, OnCustom)
        MESSAGE_HANDLER(kPassedOnMessage, OnPassedOn)
        MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
        COMMAND_ID_HANDLER(kCommandA, OnCommandA)
        COMMAND_HANDLER(kCommandB, EN_CHANGE, OnChangeB)
        UPDATE_COMMAND_UI(kCommandA, OnUpdateA)
    END_MSG_MAP()

    bool checkA = true;

private:
    LRESULT OnCustom(UINT, WPARAM wParam, LPARAM lParam, bool&) {
        calls.push_back("custom");
        return static_cast<LRESULT>(wParam + lParam);
    }
    LRESULT OnPassedOn(UINT, WPARAM, LPARAM, bool& handled) {
        calls.push_back("passed on");
        handled = false;
        return 0;
    }
    LRESULT OnSetText(UINT, WPARAM, LPARAM, bool& handled) {
        calls.push_back("settext");
        handled = false;  // the default processing stores the text
        return 0;
    }
    void OnCommandA() { calls.push_back("A"); }
    void OnChangeB() { calls.push_back("B change"); }
    void OnUpdateA(fw::CCmdUI& ui) { ui.SetCheck(checkA); }
};

constexpr char kProbeClass[] = "KelvaraTestProbe";

HWND MakeProbe(CProbeWindow& probe) {
    EXPECT_TRUE(fw::CWnd::RegisterClass(kProbeClass, 0));
    EXPECT_TRUE(probe.CreateEx(0, kProbeClass, "probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    return probe.hwnd();
}

TEST(MessageTable, RoutesMessagesCommandsAndNotifications) {
    CProbeWindow probe;
    HWND window = MakeProbe(probe);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fw::CWnd::FromHandle(window), &probe);

    struct Case {
        const char* label;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        std::vector<std::string> expected;
        LRESULT result;
    };
    const Case cases[] = {
        {"own message with its result", kCustomMessage, 40, 2, {"custom"}, 42},
        {"menu command", WM_COMMAND, MAKEWPARAM(kCommandA, 0), 0, {"A"}, 0},
        {"accelerator", WM_COMMAND, MAKEWPARAM(kCommandA, 1), 0, {"A"}, 0},
        {"a notification is not a plain command", WM_COMMAND, MAKEWPARAM(kCommandA, EN_CHANGE), 1, {}, 0},
        {"id and notification", WM_COMMAND, MAKEWPARAM(kCommandB, EN_CHANGE), 1, {"B change"}, 0},
        {"base class table", WM_COMMAND, MAKEWPARAM(kCommandB, 0), 0, {"base B"}, 0},
        {"not in any table", WM_COMMAND, MAKEWPARAM(4999, 0), 0, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        probe.calls.clear();
        LRESULT result = ::SendMessageA(window, c.msg, c.wParam, c.lParam);
        EXPECT_EQ(probe.calls, c.expected);
        EXPECT_EQ(result, c.result);
    }
}

TEST(MessageTable, HandlerThatPassesOnReachesDefaultProcessing) {
    CProbeWindow probe;
    HWND window = MakeProbe(probe);
    ::SetWindowTextA(window, "changed");
    EXPECT_EQ(probe.calls, std::vector<std::string>{"settext"});
    char text[32] = "";
    ::GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "changed");  // only DefWindowProc stores it
}

TEST(MessageTable, OwnedWindowIsDestroyedWithItsObject) {
    HWND window = nullptr;
    {
        CProbeWindow probe;
        window = MakeProbe(probe);
        ASSERT_TRUE(::IsWindow(window));
    }
    EXPECT_FALSE(::IsWindow(window));
}

TEST(MessageTable, WindowDestroyedFirstLeavesObjectDetached) {
    CProbeWindow probe;
    HWND window = MakeProbe(probe);
    ::DestroyWindow(window);
    EXPECT_EQ(probe.hwnd(), nullptr);
    EXPECT_EQ(fw::CWnd::FromHandle(window), nullptr);
}

TEST(MessageTable, MenuUpdatePassAsksTheTableForEachItem) {
    CProbeWindow probe;
    MakeProbe(probe);
    fw::UniqueMenu menu(::CreatePopupMenu());
    HMENU sub = ::CreatePopupMenu();
    ::AppendMenuA(sub, MF_STRING, kCommandA, "inner");
    ::AppendMenuA(menu.get(), MF_STRING, kCommandA, "A");
    ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu.get(), MF_STRING, kCommandB, "B has no update handler");
    ::AppendMenuA(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub");
    ::CheckMenuItem(menu.get(), 2, MF_BYPOSITION | MF_CHECKED);

    probe.UpdateMenuCommands(menu.get());
    EXPECT_EQ(::GetMenuState(menu.get(), 0, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    // An item without a handler keeps its state and is not disabled.
    EXPECT_EQ(::GetMenuState(menu.get(), 2, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED), static_cast<UINT>(MF_CHECKED));
    // A sub-menu item stands for the command of its first item.
    EXPECT_EQ(::GetMenuState(menu.get(), 3, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

    probe.checkA = false;
    probe.UpdateMenuCommands(menu.get());
    EXPECT_EQ(::GetMenuState(menu.get(), 0, MF_BYPOSITION) & MF_CHECKED, 0u);
}

// A control of a dialog template, bound to an object after the fact.
class CCountingButton : public fw::CButton {
public:
    int clicks = 0;
    BEGIN_MSG_MAP(CCountingButton, fw::CButton)
        MESSAGE_HANDLER(BM_CLICK, OnClick)
    END_MSG_MAP()

private:
    LRESULT OnClick(UINT, WPARAM, LPARAM, bool& handled) {
        ++clicks;
        handled = false;  // the button's own procedure still runs
        return 0;
    }
};

// The About template has a button (IDOK) and two statics to exchange text with.
class CExchangeDialog : public fw::CDialog {
public:
    CExchangeDialog() : fw::CDialog(IDD_ABOUTBOX) {}

    std::string version = "first text";
    CCountingButton ok;
    std::string seenAtInit;
    std::string seenAfterSave;
    int okClicksSeen = -1;

    BEGIN_MSG_MAP(CExchangeDialog, fw::CDialog)
        MESSAGE_HANDLER(kCustomMessage, OnRunChecks)
    END_MSG_MAP()

protected:
    void DoDataExchange(fw::CDataExchange& dx) override {
        fw::DDX_Control(dx, IDOK, ok);
        fw::DDX_Text(dx, IDC_ABOUT_VERSION, version);
    }
    BOOL OnInitDialog() override {
        fw::CDialog::OnInitDialog();
        seenAtInit = test::TextOf(GetDlgItem(IDC_ABOUT_VERSION));
        ::PostMessageA(hwnd(), kCustomMessage, 0, 0);
        return TRUE;
    }

private:
    LRESULT OnRunChecks(UINT, WPARAM, LPARAM, bool&) {
        ::SetWindowTextA(GetDlgItem(IDC_ABOUT_VERSION), "typed by the user");
        version = "overwritten";
        UpdateData(true);
        seenAfterSave = version;
        ::SendMessageA(ok.hwnd(), BM_CLICK, 0, 0);  // the default OK ends the dialog
        okClicksSeen = ok.clicks;
        return 0;
    }
};

TEST(Dialog, ExchangesDataBothWaysAndEndsThroughDefaultOk) {
    CExchangeDialog dialog;
    INT_PTR result = dialog.DoModal();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.seenAtInit, "first text");
    EXPECT_EQ(dialog.seenAfterSave, "typed by the user");
    EXPECT_EQ(dialog.okClicksSeen, 1);
    // The window is gone and the bound control let go of it.
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_EQ(dialog.ok.hwnd(), nullptr);
}

class CEscapeDialog : public fw::CDialog {
public:
    CEscapeDialog() : fw::CDialog(IDD_ABOUTBOX) {}

protected:
    BOOL OnInitDialog() override {
        fw::CDialog::OnInitDialog();
        // Keyboard input goes through the modal loop's dialog-message translation.
        ::PostMessageA(GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        return TRUE;
    }
};

TEST(Dialog, EscapeKeyCancels) {
    CEscapeDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(Handles, OwnersReleaseExactlyOnce) {
    fw::UniqueHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.get();
    fw::UniqueHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    moved.reset();
    SetLastError(0xdeadbeef);
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));  // closed once, by the new owner
}

}  // namespace
