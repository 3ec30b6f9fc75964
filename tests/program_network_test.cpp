// The adapter chooser and the load display of the real program: the stored choice, a new
// choice written back, sampler steps (WM_TIMER 20) on real interface counters with traffic
// the test sends over loopback, and the message when the IP Helper library is missing.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/Support.h"

namespace {

constexpr char kKeyPath[] = "SOFTWARE\\Kelvara";
constexpr char kNetworkValue[] = "Network";
constexpr DWORD kSendTimeoutMs = 5000;

// The three scale labels beside the graph.
struct Labels {
    std::string top, middle, bottom;
    bool operator==(const Labels& o) const { return top == o.top && middle == o.middle && bottom == o.bottom; }
};

Labels LabelsOf(HWND window) {
    return {test::TextOf(::GetDlgItem(window, IDC_LABEL_TOP)), test::TextOf(::GetDlgItem(window, IDC_LABEL_MIDDLE)),
            test::TextOf(::GetDlgItem(window, IDC_LABEL_BOTTOM))};
}

const Labels kFirstLabels{"1,0%", "0,5%", "0%"};

class ProgramNetworkTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetChoice(); }
    void TearDown() override {
        program_.Kill();
        ForgetChoice();
    }

    static void ForgetChoice() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, kNetworkValue);
            ::RegCloseKey(key);
        }
    }
    static void StoreChoice(DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, kNetworkValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        ::RegCloseKey(key);
    }
    // The stored choice, or -1 when there is none.
    static long long StoredChoice() {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (::RegGetValueA(HKEY_CURRENT_USER, kKeyPath, kNetworkValue, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS) {
            return -1;
        }
        return value;
    }

    // Starts the program and waits for its main window; the test fails without one.
    HWND StartProgram() {
        EXPECT_TRUE(program_.Start());
        HWND window = program_.WaitForMainWindow();
        EXPECT_NE(window, nullptr);
        if (window) combo_ = ::GetDlgItem(window, IDC_ADAPTERS);
        return window;
    }

    std::vector<std::string> Items() const { return test::ComboItemTexts(combo_); }
    int Selection() const { return static_cast<int>(::SendMessageA(combo_, CB_GETCURSEL, 0, 0)); }

    // What the user does when picking an item of the list.
    static void Choose(HWND window, HWND combo, int item) {
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDC_ADAPTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo),
                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    }
    // One sampler step, as timer 20 makes it; done when the call returns.
    static void Step(HWND window) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(window, WM_TIMER, ID_TIMER_SAMPLER, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    }
    test::Program program_{"program_network"};
    HWND combo_ = nullptr;
};

// The labels a published peak gives: each level's top and middle texts with a decimal point.
bool IsPublishedLabels(const std::string& top, const std::string& middle, const std::string& bottom) {
    static const char* const pairs[][2] = {{"1.0%", "0.5%"},   {"5.0%", "2.5%"},   {"10.0%", "5.0%"},
                                           {"25.0%", "12.5%"}, {"50.0%", "25.0%"}, {"100.0%", "50.0%"}};
    for (const auto& pair : pairs) {
        if (top == pair[0] && middle == pair[1]) return bottom == "0%";
    }
    return false;
}

// Sends about `bytes` octets through the loopback interface to a socket of this test and
// reads them back.
void SendLoopbackTraffic(int bytes) {
    WSADATA wsa{};
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(s, INVALID_SOCKET);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self), 0);
    int length = sizeof self;
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&self), &length), 0);
    char datagram[1024] = {};
    for (int sent = 0; sent < bytes; sent += static_cast<int>(sizeof datagram)) {
        ::sendto(s, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&self), sizeof self);
        // Take it off again, so the socket's queue never drops what comes next.
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait{0, 100000};
        if (::select(0, &readable, nullptr, nullptr, &wait) == 1) ::recv(s, datagram, sizeof datagram, 0);
    }
    ::closesocket(s);
    ::WSACleanup();
}

TEST_F(ProgramNetworkTest, StoredChoiceIsSelectedAndAnotherChoiceIsStored) {
    StoreChoice(2);
    HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> items = Items();
    if (items.size() < 3) GTEST_SKIP() << "this machine lists " << items.size() << " adapters; three are needed";

    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(test::TextOf(combo_), items[2]);

    Choose(window, combo_, 0);
    EXPECT_EQ(StoredChoice(), 0);

    // Choosing the item that is already chosen writes nothing.
    ForgetChoice();
    Choose(window, combo_, 0);
    EXPECT_EQ(StoredChoice(), -1);

    Choose(window, combo_, 1);
    EXPECT_EQ(StoredChoice(), 1);
}

TEST_F(ProgramNetworkTest, ChoiceBeyondTheListShowsNoSelectionAndSamplesNothingUntilAnAdapterIsChosen) {
    StoreChoice(200);
    HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(Items().empty());
    EXPECT_EQ(Selection(), CB_ERR);

    for (int i = 0; i < 3; ++i) Step(window);
    EXPECT_EQ(LabelsOf(window), kFirstLabels);
    EXPECT_EQ(StoredChoice(), 200);

    Choose(window, combo_, 0);
    EXPECT_EQ(StoredChoice(), 0);
    Step(window);
    Labels after = LabelsOf(window);
    EXPECT_TRUE(IsPublishedLabels(after.top, after.middle, after.bottom))
        << after.top << " " << after.middle << " " << after.bottom;
}

TEST_F(ProgramNetworkTest, LoopbackTrafficRaisesTheScaleToItsTopAndHoldsIt) {
    HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> items = Items();
    auto lo = std::find_if(items.begin(), items.end(), [](const std::string& t) { return t.rfind(" lo ", 0) == 0; });
    ASSERT_NE(lo, items.end()) << "the loopback interface is not listed";
    Choose(window, combo_, static_cast<int>(lo - items.begin()));
    Step(window);

    // The link speed reads 0 here, so the divisor is 1 and every octet counts: 256 KiB in one
    // step is far beyond the top level.
    SendLoopbackTraffic(256 * 1024);
    Step(window);
    Labels top = LabelsOf(window);
    EXPECT_EQ(top.top, "100.0%");
    EXPECT_EQ(top.middle, "50.0%");
    EXPECT_EQ(top.bottom, "0%");

    // The next quiet step keeps the held peak on the scale.
    Step(window);
    EXPECT_EQ(LabelsOf(window), top);
}

// Timer 20 runs while acceleration is on. Start-up switches acceleration on, and off again
// (disabling ACCELLERATE!) when no client is chosen; the test then switches it on with the
// button's command, as a click would when a client is chosen.
TEST_F(ProgramNetworkTest, SamplerRunsOnItsOwnTimerWhileAccelerationIsOn) {
    HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(Items().empty());
    ASSERT_EQ(Selection(), 0);
    HWND accelerate = ::GetDlgItem(window, IDC_ACCELERATE);
    if (!::IsWindowEnabled(accelerate)) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDC_ACCELERATE, BN_CLICKED),
                              reinterpret_cast<LPARAM>(accelerate), SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    }
    Labels now;
    EXPECT_TRUE(test::WaitUntil(
        [&] {
            now = LabelsOf(window);
            return !(now == kFirstLabels);
        },
        5000));
    EXPECT_TRUE(IsPublishedLabels(now.top, now.middle, now.bottom)) << now.top << " " << now.middle << " " << now.bottom;
}

TEST_F(ProgramNetworkTest, MissingIpHelperIsReportedAndEndsTheProgram) {
    test::WineDllOverride disabled("Kelvara.exe", "iphlpapi", "");
    ASSERT_TRUE(program_.Start());
    HWND box = program_.WaitForMessageBox(20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::MessageBoxText(box), "Error loading Iphlpapi.dll");
    EXPECT_EQ(test::TextOf(box), "Kelvara");
    EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
    test::DismissMessageBox(box);
    EXPECT_TRUE(program_.WaitForExit(20000));
}

}  // namespace
