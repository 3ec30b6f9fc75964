// One tick of the graph with a full history of 110 entries, against the least any redraw
// of the graph costs: one copy of the whole surface, measured in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/Handles.h"
#include "framework/Wnd.h"
#include "res/resource.h"
#include "stats/HistogramCtrl.h"

#include "tests/bench/Timing.h"

namespace {

// About the size the graph has in the main window (229 × 44 dialog units).
constexpr int kGraphWidth = 344;
constexpr int kGraphHeight = 72;
constexpr int kWarmUpTicks = 120;  // more than the 110 entries the history holds
// Short batches, so that some of them run undisturbed on a machine shared with other work.
constexpr int kBatches = 60;
constexpr int kTicksPerBatch = 5;
constexpr int kCopiesPerBatch = 100;
constexpr double kGoalMicroseconds = 1000.0;
constexpr char kHostClass[] = "KelvaraBenchGraphHost";

using bench::Seconds;

struct Timing {
    double best;    // the least disturbed batch: what the work itself costs
    double median;  // what it costs on this machine as loaded right now
};

// Time of one call over many short batches, in microseconds.
template <typename Operation>
Timing Measure(int perBatch, Operation operation) {
    std::vector<double> batches;
    for (int b = 0; b < kBatches; ++b) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&start);
        for (int i = 0; i < perBatch; ++i) operation(i);
        ::QueryPerformanceCounter(&end);
        batches.push_back(Seconds(start, end) * 1e6 / perBatch);
    }
    std::sort(batches.begin(), batches.end());
    return {batches.front(), batches[batches.size() / 2]};
}

}  // namespace

int main() {
    if (!fw::CWnd::RegisterClass(kHostClass, 0)) return 1;
    fw::CWnd host;
    if (!host.CreateEx(0, kHostClass, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 500, 200, nullptr, nullptr)) return 1;
    CHistogramCtrl graph;
    RECT rect{10, 10, 10 + kGraphWidth, 10 + kGraphHeight};
    ::AdjustWindowRectEx(&rect, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
    if (!graph.CreateControl(WS_CHILD | WS_VISIBLE, rect, &host, IDC_HISTOGRAM)) {
        std::printf("the graph could not be created\n");
        return 1;
    }
    graph.SetScrollInterval(0);  // only the ticks sent here
    graph.SetValueRange(1, 1000);

    auto tick = [&](int i) {
        // A changing picture, so no step can be skipped as a repeat.
        graph.AddSample(static_cast<UINT>(i * 37 % 1000), static_cast<UINT>(i * 91 % 1000));
        ::SendMessageA(graph.hwnd(), WM_TIMER, 0, 0);
    };
    for (int i = 0; i < kWarmUpTicks; ++i) tick(i);

    fw::WindowDC reference(graph.hwnd());
    fw::UniqueMemoryDC target(::CreateCompatibleDC(reference.get()));
    fw::UniqueBitmap targetBitmap(::CreateCompatibleBitmap(reference.get(), kGraphWidth, kGraphHeight));
    if (!target || !targetBitmap) return 1;
    fw::SelectGuard selected(target.get(), targetBitmap.get());
    auto copy = [&](int) {
        ::BitBlt(target.get(), 0, 0, kGraphWidth, kGraphHeight, graph.SurfaceDC(), 0, 0, SRCCOPY);
    };

    const Timing floor = Measure(kCopiesPerBatch, copy);
    const Timing tickTime = Measure(kTicksPerBatch, tick);
    std::printf("graph %d x %d, full-surface copy (floor): best %.1f us, median %.1f us\n", kGraphWidth,
                kGraphHeight, floor.best, floor.median);
    std::printf("one tick with 110 entries: best %.0f us = %.0f x the floor (median %.0f us = %.0f x); "
                "goal: keep a tick under 1 ms (%s)\n",
                tickTime.best, tickTime.best / floor.best, tickTime.median, tickTime.median / floor.median,
                tickTime.best < kGoalMicroseconds ? "met" : "NOT met");
    return 0;
}
