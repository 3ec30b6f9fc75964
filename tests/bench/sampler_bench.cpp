// One sampler step of the real program (WM_TIMER 20: refresh of the interface table, rate
// arithmetic, peak hold, publishing the labels and queueing the sample) against its floor,
// one bare GetIfTable read of the same table measured in the same run. The step is sent to
// the running program, so the cost of delivering a message across processes (measured with
// WM_NULL) is taken off it.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/SystemLibrary.h"
#include "res/resource.h"
#include "stats/IpHelper.h"
#include "tests/bench/Timing.h"
#include "tests/support/Support.h"

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kRounds = 15;
constexpr int kCallsPerBatch = 20;
constexpr double kGoalRatio = 1.2;
constexpr DWORD kSendTimeoutMs = 5000;

// The time one call takes over a batch of calls, in microseconds.
template <typename Operation>
double MicrosecondsPerCall(Operation operation) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < kCallsPerBatch; ++i) operation();
    ::QueryPerformanceCounter(&end);
    return Seconds(start, end) * 1e6 / kCallsPerBatch;
}

void Send(HWND window, UINT msg, WPARAM wParam) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window, msg, wParam, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
}

}  // namespace

int main() {
    HMODULE iphlpapi = fw::LoadSystemLibrary("iphlpapi.dll");
    auto getIfTable = iphlpapi ? reinterpret_cast<iphelper::GetIfTableProc>(
                                     reinterpret_cast<void*>(::GetProcAddress(iphlpapi, "GetIfTable")))
                               : nullptr;
    if (!getIfTable) {
        std::printf("GetIfTable cannot be bound\n");
        return 1;
    }
    ULONG size = 0;
    if (getIfTable(nullptr, &size, TRUE) != ERROR_INSUFFICIENT_BUFFER) {
        std::printf("no interface table\n");
        return 1;
    }
    std::vector<BYTE> table(size);

    test::Program program("sampler_bench");
    if (!program.Start()) {
        std::printf("Kelvara.exe did not start\n");
        return 1;
    }
    HWND window = program.WaitForMainWindow();
    HWND combo = window ? ::GetDlgItem(window, IDC_ADAPTERS) : nullptr;
    if (!combo || ::SendMessageA(combo, CB_GETCOUNT, 0, 0) <= 0) {
        std::printf("the main window with its adapter list did not come up\n");
        return 1;
    }
    // A step only does its work for a listed adapter.
    if (::SendMessageA(combo, CB_GETCURSEL, 0, 0) == CB_ERR) {
        ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDC_ADAPTERS, CBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(combo), SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    }

    // The three figures are taken in turns, so a busy moment of the machine falls on all of them.
    std::vector<double> floors, deliveries, sents, steps, ratios;
    for (int round = 0; round < kRounds; ++round) {
        double floor = MicrosecondsPerCall([&] {
            ULONG capacity = static_cast<ULONG>(table.size());
            getIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &capacity, TRUE);
        });
        double delivery = MicrosecondsPerCall([&] { Send(window, WM_NULL, 0); });
        double sent = MicrosecondsPerCall([&] { Send(window, WM_TIMER, ID_TIMER_SAMPLER); });
        floors.push_back(floor);
        deliveries.push_back(delivery);
        sents.push_back(sent);
        steps.push_back(sent - delivery);
        ratios.push_back((sent - delivery) / floor);
    }
    double floor = Median(floors);
    double delivery = Median(deliveries);
    double sent = Median(sents);
    double step = Median(steps);
    double ratio = Median(ratios);

    std::printf("floor: one GetIfTable read of %u interfaces  %.1f us\n",
                static_cast<unsigned>(reinterpret_cast<PMIB_IFTABLE>(table.data())->dwNumEntries), floor);
    std::printf("one sampler step                            %.1f us  (%.1f us sent, %.1f us of it delivery)\n",
                step, sent, delivery);
    std::printf("sampler step / floor: %.2f (goal at most %.1f)%s\n", ratio, kGoalRatio,
                ratio <= kGoalRatio ? "" : "  ABOVE GOAL");
    program.Kill();
    return 0;
}
