// The tooltip button: one tool whatever the number of texts, nothing for a null text, the
// tooltip window's lifetime, a double click that reaches the button as a second press, and
// the About box's OK button with a tooltip window but no tool.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "tests/support/Support.h"
#include "widgets/TipButton.h"

namespace {

constexpr int kButtonId = 2001;
constexpr UINT kCheckMessage = WM_APP + 21;
constexpr int kExpectedMaxTipWidth = 400;

class TipButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(test::LoadCommonControls()); }

    void SetUp() override {
        host_ = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP, 50, 50, 300, 200, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        buttonWindow_ = ::CreateWindowExA(0, "BUTTON", "Run", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 90, 26,
                                          host_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                          ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(buttonWindow_, nullptr);
    }
    void TearDown() override { ::DestroyWindow(host_); }

    HWND host_ = nullptr;
    HWND buttonWindow_ = nullptr;
};

struct Tool {
    int count = 0;
    bool found = false;
    std::string text;
    RECT rect{};
    UINT flags = 0;
};

Tool ReadTool(HWND tooltip, HWND button) {
    Tool tool;
    tool.count = static_cast<int>(::SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    char text[256] = "";
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = button;
    info.uId = 1;
    info.lpszText = text;
    tool.found = ::SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
    tool.rect = info.rect;
    tool.flags = info.uFlags;
    char shown[256] = "";
    info.lpszText = shown;
    ::SendMessageA(tooltip, TTM_GETTEXTA, sizeof shown, reinterpret_cast<LPARAM>(&info));
    tool.text = shown;
    return tool;
}

TEST_F(TipButtonTest, SecondTextReplacesTheFirstInTheOneTool) {
    CTipButton button;
    ASSERT_TRUE(button.SubclassWindow(buttonWindow_));
    EXPECT_EQ(button.TooltipWindow(), nullptr);

    button.SetTipText(nullptr, TRUE);
    EXPECT_EQ(button.TooltipWindow(), nullptr) << "a null text creates nothing";

    button.SetTipText("Run P2P Application", TRUE);
    HWND tooltip = button.TooltipWindow();
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(test::ClassOf(tooltip), "tooltips_class32");
    EXPECT_EQ(::GetWindow(tooltip, GW_OWNER), host_) << "owned by the button's top-level window";
    DWORD style = static_cast<DWORD>(::GetWindowLongA(tooltip, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (TTS_ALWAYSTIP | TTS_BALLOON));
    EXPECT_EQ(::SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), kExpectedMaxTipWidth);

    RECT client{};
    ::GetClientRect(buttonWindow_, &client);
    Tool first = ReadTool(tooltip, buttonWindow_);
    EXPECT_EQ(first.count, 1);
    EXPECT_TRUE(first.found);
    EXPECT_EQ(first.text, "Run P2P Application");
    EXPECT_TRUE(::EqualRect(&first.rect, &client));
    EXPECT_EQ(first.flags, 0u) << "the tool lives on relayed mouse messages";

    button.SetTipText("Exit", FALSE);
    EXPECT_EQ(button.TooltipWindow(), tooltip);
    Tool second = ReadTool(tooltip, buttonWindow_);
    EXPECT_EQ(second.count, 1);
    EXPECT_EQ(second.text, "Exit");

    button.SetTipText(nullptr, TRUE);
    EXPECT_EQ(ReadTool(tooltip, buttonWindow_).text, "Exit") << "a null text changes nothing";
}

TEST_F(TipButtonTest, ToolKeepsTheRectangleItWasAddedWith) {
    CTipButton button;
    ASSERT_TRUE(button.SubclassWindow(buttonWindow_));
    button.SetTipText("Accelerate P2P Application", TRUE);
    RECT before{};
    ::GetClientRect(buttonWindow_, &before);
    ::SetWindowPos(buttonWindow_, nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER);
    button.SetTipText("Accelerate P2P Application", TRUE);
    Tool tool = ReadTool(button.TooltipWindow(), buttonWindow_);
    EXPECT_EQ(tool.count, 1);
    EXPECT_TRUE(::EqualRect(&tool.rect, &before));
}

TEST_F(TipButtonTest, TooltipWindowGoesWithTheButtonObject) {
    HWND tooltip = nullptr;
    {
        CTipButton button;
        ASSERT_TRUE(button.SubclassWindow(buttonWindow_));
        button.SetTipText("Exit", TRUE);
        tooltip = button.TooltipWindow();
        ASSERT_TRUE(::IsWindow(tooltip));
    }
    EXPECT_FALSE(::IsWindow(tooltip));
    EXPECT_TRUE(::IsWindow(buttonWindow_)) << "the button itself stays, unbound";
}

// A dialog that puts one button of the wanted kind in, binds it to the given object and
// plays a click followed by a double click on it through its modal loop.
class CClickDialog : public fw::CDialog {
public:
    CClickDialog(fw::CButton& button, DWORD style) : fw::CDialog(IDD_ABOUTBOX), button_(button), style_(style) {}

    int clicks = 0;
    int doubleClicks = 0;
    int finalCheck = -1;

    BEGIN_MSG_MAP(CClickDialog, fw::CDialog)
        MESSAGE_HANDLER(WM_COMMAND, OnCommand)
        MESSAGE_HANDLER(kCheckMessage, OnCheck)
    END_MSG_MAP()

protected:
    BOOL OnInitDialog() override {
        fw::CDialog::OnInitDialog();
        HWND made = ::CreateWindowExA(0, "BUTTON", "ACCELLERATE!", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style_, 10,
                                      10, 120, 30, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                      ::GetModuleHandleA(nullptr), nullptr);
        button_.SubclassWindow(made);
        const LPARAM inside = MAKELPARAM(20, 12);
        ::PostMessageA(made, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        ::PostMessageA(made, WM_LBUTTONUP, 0, inside);
        ::PostMessageA(made, WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
        ::PostMessageA(made, WM_LBUTTONUP, 0, inside);
        ::PostMessageA(hwnd(), kCheckMessage, 0, 0);
        return TRUE;
    }

private:
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
        if (LOWORD(wParam) != kButtonId) {
            handled = false;
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED) ++clicks;
        if (HIWORD(wParam) == BN_DOUBLECLICKED) ++doubleClicks;
        return 0;
    }
    LRESULT OnCheck(UINT, WPARAM, LPARAM, bool&) {
        finalCheck = button_.GetCheck();
        EndDialog(IDOK);
        return 0;
    }

    fw::CButton& button_;
    DWORD style_;
};

TEST_F(TipButtonTest, DoubleClickReachesTheButtonAsASecondPress) {
    struct Case {
        const char* label;
        bool tipButton;
        DWORD style;
        int clicks;
        int doubleClicks;
        int finalCheck;
    };
    const Case cases[] = {
        // Flipped twice: back where it started.
        {"push-like check box, as ACCELLERATE!", true, BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_MULTILINE, 2, 0, BST_UNCHECKED},
        {"a button that reports double clicks", true, BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_NOTIFY, 2, 0, BST_UNCHECKED},
        {"push button", true, BS_PUSHBUTTON | BS_NOTIFY, 2, 0, BST_UNCHECKED},
        // The same button without the tooltip button's rule: one press and a double click.
        {"plain button, for comparison", false, BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_NOTIFY, 1, 1, BST_CHECKED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CTipButton tip;
        fw::CButton plain;
        fw::CButton& button = c.tipButton ? static_cast<fw::CButton&>(tip) : plain;
        CClickDialog dialog(button, c.style);
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.clicks, c.clicks);
        EXPECT_EQ(dialog.doubleClicks, c.doubleClicks);
        EXPECT_EQ(dialog.finalCheck, c.finalCheck);
    }
}

// The About box as the program shows it, looked at from inside its modal loop.
class CAboutProbe : public CAboutDlg {
public:
    CAboutProbe() : CAboutDlg(nullptr) {}

    int tooltipsAtInit = -1;
    int tooltipsLater = -1;
    int toolsLater = -1;
    HWND tooltip = nullptr;

    BEGIN_MSG_MAP(CAboutProbe, CAboutDlg)
        MESSAGE_HANDLER(kCheckMessage, OnCheck)
    END_MSG_MAP()

protected:
    BOOL OnInitDialog() override {
        BOOL result = CAboutDlg::OnInitDialog();
        tooltipsAtInit = static_cast<int>(OwnTooltips().size());
        ::PostMessageA(GetDlgItem(IDOK), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        ::PostMessageA(hwnd(), kCheckMessage, 0, 0);
        return result;
    }

private:
    std::vector<HWND> OwnTooltips() const {
        std::vector<HWND> found;
        for (HWND w : test::TopWindowsOf(::GetCurrentProcessId(), "tooltips_class32", nullptr)) {
            if (::GetWindow(w, GW_OWNER) == hwnd()) found.push_back(w);
        }
        return found;
    }
    LRESULT OnCheck(UINT, WPARAM, LPARAM, bool&) {
        std::vector<HWND> tooltips = OwnTooltips();
        tooltipsLater = static_cast<int>(tooltips.size());
        if (!tooltips.empty()) {
            tooltip = tooltips[0];
            toolsLater = static_cast<int>(::SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
        }
        EndDialog(IDOK);
        return 0;
    }
};

TEST_F(TipButtonTest, AboutBoxOkButtonGetsATooltipWindowButNoTool) {
    CAboutProbe about;
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_EQ(about.tooltipsAtInit, 0) << "no tooltip before the button's first message";
    EXPECT_EQ(about.tooltipsLater, 1);
    EXPECT_EQ(about.toolsLater, 0) << "without a text there is nothing to show";
    EXPECT_FALSE(::IsWindow(about.tooltip)) << "the tooltip window goes with the box";
}

}  // namespace
