// The two-line graph on its real GDI surface: rows, averaging, the history of 110 columns,
// pausing, colours and painting, read back pixel by pixel; and the graph inside the real
// main window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "res/resource.h"
#include "stats/HistogramCtrl.h"
#include "tests/support/Support.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrid = RGB(0, 130, 66);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

constexpr int kHeight = 60;
constexpr int kWidth = 400;
constexpr int kMaxHistory = 110;
// The newest segment covers these pixels left of the right edge.
constexpr int kNewestSegmentLeft = 14;

constexpr char kHostClass[] = "KelvaraTestGraphHost";

// A top-level window to hold the graph, and the graph with a client area of a chosen size.
class HistogramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fw::CWnd::RegisterClass(kHostClass, 0));
        ASSERT_TRUE(host_.CreateEx(0, kHostClass, "graph host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 300, nullptr,
                                   nullptr));
    }

    // Creates a fresh graph whose client area is width × height, paused so that only the
    // ticks a test sends happen, with the range the main window uses.
    void Create(int width = kWidth, int height = kHeight) {
        graph_ = std::make_unique<CHistogramCtrl>();
        RECT rect{20, 20, 20 + width, 20 + height};
        ::AdjustWindowRectEx(&rect, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
        ASSERT_TRUE(graph_->CreateControl(WS_CHILD | WS_VISIBLE, rect, &host_, IDC_HISTOGRAM));
        RECT client{};
        ::GetClientRect(graph_->hwnd(), &client);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);
        right_ = width;
        intervalAtCreation_ = graph_->SetScrollInterval(0);
        graph_->SetValueRange(1, 10);
    }

    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) ::SendMessageA(graph_->hwnd(), WM_TIMER, 0, 0);
    }

    COLORREF Pixel(int x, int y) const { return ::GetPixel(graph_->SurfaceDC(), x, y); }

    // The rows of column x drawn in `colour`.
    std::vector<int> RowsIn(int x, COLORREF colour) const {
        std::vector<int> rows;
        for (int y = 0; y < kHeight; ++y) {
            if (Pixel(x, y) == colour) rows.push_back(y);
        }
        return rows;
    }

    // The leftmost column that has a pixel in `colour` anywhere, or -1.
    int LeftmostIn(COLORREF colour) const {
        for (int x = 0; x < right_; ++x) {
            if (!RowsIn(x, colour).empty()) return x;
        }
        return -1;
    }

    std::vector<COLORREF> Snapshot() const {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < right_; ++x) pixels.push_back(Pixel(x, y));
        }
        return pixels;
    }

    // The middle of the newest segment.
    int NewestColumn() const { return right_ - kNewestSegmentLeft + 1; }

    fw::CWnd host_;
    std::unique_ptr<CHistogramCtrl> graph_;
    int right_ = 0;
    UINT intervalAtCreation_ = 0;
};

TEST(HistogramRow, MapsInUnsigned32BitArithmetic) {
    struct Case {
        const char* label;
        UINT value;
        int bottom;
        UINT span;
        int row;
    };
    const Case cases[] = {
        {"top of the range", 10, 60, 10, 0},
        {"middle", 5, 60, 10, 30},
        {"lowest value", 1, 60, 10, 54},
        {"quotient rounds down", 7, 60, 9, 14},  // 420 / 9 = 46.7
        {"small value in a large range", 10, 60, 1000, 60},
        {"above the span lands above the area", 20, 60, 10, -60},
        {"product truncated to 32 bits", 0x80000000u, 2, 10, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(HistogramRow(c.value, c.bottom, c.span), c.row);
    }
}

TEST(PendingValues, AverageRoundsDownAndWrapsLikeA32BitSum) {
    CPendingValues pending;
    EXPECT_EQ(pending.Drain(), 0u) << "nothing queued";
    pending.Add(5);
    pending.Add(8);
    EXPECT_EQ(pending.Drain(), 6u);
    EXPECT_EQ(pending.Drain(), 0u) << "a drain empties the queue";
    // A value below the range offset wraps; summed in 32 bits it cancels out again.
    pending.Add(0xFFFFFFFFu);
    pending.Add(3);
    EXPECT_EQ(pending.Drain(), 1u);
}

TEST(HistogramHistory, KeepsTheNewest110OldestFirst) {
    CHistogramHistory history;
    for (UINT v = 1; v <= 115; ++v) history.Append(v);
    ASSERT_EQ(history.Size(), 110);
    EXPECT_EQ(history.At(0), 6u);
    EXPECT_EQ(history.At(109), 115u);
    history.Clear();
    history.Append(42);
    EXPECT_EQ(history.Size(), 1);
    EXPECT_EQ(history.At(0), 42u);
}

TEST_F(HistogramTest, CreatedWindowClassAndFreshPicture) {
    Create();
    HWND window = graph_->hwnd();
    EXPECT_EQ(test::ClassOf(window), CHistogramCtrl::kWindowClass);
    EXPECT_EQ(::GetClassLongPtrA(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(::GetClassLongPtrA(window, GCLP_HCURSOR), 0u);
    EXPECT_EQ(::GetClassLongPtrA(window, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(::GetClassLongPtrA(window, GCLP_HICON), 0u);
    EXPECT_TRUE(::GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(::GetDlgCtrlID(window), IDC_HISTOGRAM);
    EXPECT_EQ(::GetParent(window), host_.hwnd());
    EXPECT_EQ(test::TextOf(window), "");
    EXPECT_EQ(intervalAtCreation_, 500u) << "scrolls every 500 ms until told otherwise";

    BITMAP surface{};
    ASSERT_NE(graph_->SurfaceDC(), nullptr);
    ASSERT_TRUE(::GetObjectA(::GetCurrentObject(graph_->SurfaceDC(), OBJ_BITMAP), sizeof surface, &surface));
    EXPECT_EQ(surface.bmWidth, kWidth);
    EXPECT_EQ(surface.bmHeight, kHeight);

    // Grid lines every 13 pixels, the first ones just outside the top left corner.
    struct Case {
        const char* label;
        int x;
        int y;
        COLORREF colour;
    };
    const Case cases[] = {
        {"background", 5, 5, kBlack},       {"background", 11, 11, kBlack},
        {"background", 13, 13, kBlack},     {"first vertical line", 12, 5, kGrid},
        {"vertical line", 25, 40, kGrid},   {"last vertical line", 389, 59, kGrid},
        {"first horizontal line", 5, 12, kGrid}, {"horizontal line", 200, 51, kGrid},
        {"right of the last vertical line", 399, 5, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(Pixel(c.x, c.y), c.colour);
    }
}

TEST_F(HistogramTest, GridStaysWholeWhileScrolling) {
    Create();
    for (int i = 0; i < 12; ++i) {
        graph_->AddSample(10, 0);  // row 0, clear of the grid rows below
        Tick();
    }
    for (int y : {12, 25, 38, 51}) {
        SCOPED_TRACE("grid row " + std::to_string(y));
        for (int x = 0; x < right_; ++x) {
            if (Pixel(x, y) != kGrid) ADD_FAILURE() << "gap at x " << x;
        }
    }
    // The vertical lines drawn while scrolling keep their 13-pixel spacing up to the right edge.
    std::vector<int> columns;
    for (int x = right_ - 40; x < right_; ++x) {
        if (Pixel(x, 5) == kGrid) columns.push_back(x);
    }
    ASSERT_FALSE(columns.empty());
    EXPECT_GE(columns.back(), right_ - 13);
    for (size_t i = 1; i < columns.size(); ++i) EXPECT_EQ(columns[i] - columns[i - 1], 13);
}

TEST_F(HistogramTest, ValuesLandOnTheirRows) {
    struct Case {
        const char* label;
        int lo;
        int hi;
        UINT value;
        std::vector<int> rows;  // the visible rows of the flat newest segment
    };
    const Case cases[] = {
        {"top of 1..10", 1, 10, 10, {0}},
        {"middle of 1..10", 1, 10, 5, {30}},
        {"lowest of 1..10", 1, 10, 1, {54}},
        {"10 in 1..1000 sits on row 60, just below the area", 1, 1000, 10, {}},
        {"middle of 1..1000", 1, 1000, 500, {30}},
        {"range offset taken off: 15 in 11..20", 11, 20, 15, {30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // Series 1 in green.
        Create();
        graph_->SetValueRange(c.lo, c.hi);
        graph_->AddSample(c.value, 0);
        Tick();
        for (int x = NewestColumn() - 1; x <= NewestColumn() + 1; ++x) EXPECT_EQ(RowsIn(x, kGreen), c.rows);
        EXPECT_EQ(LeftmostIn(kRed), -1) << "series 2 has no vertex yet";
        // Series 2 in red.
        Create();
        graph_->SetValueRange(c.lo, c.hi);
        graph_->AddSample(0, c.value);
        Tick();
        EXPECT_EQ(RowsIn(NewestColumn(), kRed), c.rows);
        EXPECT_EQ(LeftmostIn(kGreen), -1);
    }
}

TEST_F(HistogramTest, ValuesQueuedBetweenTicksAreAveraged) {
    Create();
    graph_->AddSample(5, 2);
    graph_->AddSample(8, 9);  // 6 and 5 in unsigned division
    Tick();
    EXPECT_EQ(RowsIn(NewestColumn(), kGreen), std::vector<int>{24});
    EXPECT_EQ(RowsIn(NewestColumn(), kRed), std::vector<int>{30});
}

TEST_F(HistogramTest, TickWithoutValuesKeepsTheLineLevel) {
    Create();
    graph_->AddSample(5, 1);
    Tick();
    Tick();  // nothing queued
    for (int x : {NewestColumn(), NewestColumn() - 3, NewestColumn() - 6}) {
        SCOPED_TRACE("column " + std::to_string(x));
        EXPECT_EQ(RowsIn(x, kGreen), std::vector<int>{30});
        EXPECT_EQ(RowsIn(x, kRed), std::vector<int>{54});
    }
    // Two entries plus the oldest drawn once more.
    EXPECT_EQ(LeftmostIn(kGreen), right_ - kNewestSegmentLeft - 3 * 3);
}

TEST_F(HistogramTest, HistoryGrowsColumnByColumnUpTo110) {
    Create();
    struct Checkpoint {
        int ticks;
        int entries;
    };
    const Checkpoint checkpoints[] = {{1, 1}, {2, 2}, {50, 50}, {109, 109}, {110, 110}, {111, 110}, {140, 110}};
    int done = 0;
    for (const Checkpoint& c : checkpoints) {
        SCOPED_TRACE(std::to_string(c.ticks) + " ticks");
        for (; done < c.ticks; ++done) {
            graph_->AddSample(5, 0);
            Tick();
        }
        EXPECT_EQ(LeftmostIn(kGreen), right_ - kNewestSegmentLeft - 3 * (c.entries + 1));
    }
    EXPECT_EQ(LeftmostIn(kGreen), right_ - 347) << "110 entries reach 347 pixels in";
}

TEST_F(HistogramTest, OldestEntryLeavesOnceTheHistoryIsFull) {
    Create();
    graph_->AddSample(10, 0);  // row 0, only in the first entry
    Tick();
    for (int i = 1; i < kMaxHistory; ++i) {
        graph_->AddSample(5, 0);
        Tick();
    }
    const std::vector<int> top{0};
    EXPECT_EQ(RowsIn(right_ - 346, kGreen), top) << "the first entry is still the oldest";
    graph_->AddSample(5, 0);
    Tick();
    for (int x = 0; x < right_; ++x) {
        if (Pixel(x, 0) == kGreen) ADD_FAILURE() << "row 0 still drawn at x " << x;
    }
    EXPECT_EQ(LeftmostIn(kGreen), right_ - 347);
}

TEST_F(HistogramTest, PausedValuesMakeOneColumnAfterResuming) {
    Create();
    graph_->SetValueRange(1, 100);
    for (int i = 0; i < 30; ++i) graph_->AddSample(100, i % 2 ? 40 : 60);
    EXPECT_EQ(graph_->SetScrollInterval(1000), 0u) << "was paused";
    Tick();
    EXPECT_EQ(RowsIn(NewestColumn(), kGreen), std::vector<int>{0});
    EXPECT_EQ(RowsIn(NewestColumn(), kRed), std::vector<int>{30});
    EXPECT_EQ(LeftmostIn(kGreen), right_ - kNewestSegmentLeft - 3 * 2) << "a single history entry";
    EXPECT_EQ(graph_->SetScrollInterval(0), 1000u);
}

TEST_F(HistogramTest, ScrollIntervalStartsAndStopsTheTimer) {
    Create();
    graph_->AddSample(5, 1);
    const std::vector<COLORREF> before = Snapshot();
    test::PumpMessages(300);
    EXPECT_EQ(Snapshot(), before) << "paused: no tick";

    graph_->SetScrollInterval(20);
    EXPECT_TRUE(test::WaitUntil([&] { return !RowsIn(NewestColumn(), kGreen).empty(); }, 5000))
        << "the control's timer ticks";
    EXPECT_EQ(graph_->SetScrollInterval(0), 20u);
}

TEST_F(HistogramTest, PenColourAndWidth) {
    Create();
    graph_->SetPenColor(2, kBlue);
    graph_->AddSample(5, 1);
    Tick();
    EXPECT_EQ(RowsIn(NewestColumn(), kBlue).size(), 2u);
    EXPECT_EQ(RowsIn(NewestColumn(), kRed).size(), 2u) << "series 2 stays red, at the new width";
    EXPECT_EQ(LeftmostIn(kGreen), -1);
}

TEST_F(HistogramTest, EmptyRangeKeepsThePreviousOne) {
    Create();
    graph_->SetValueRange(5, 4);  // a span of 0
    graph_->AddSample(5, 0);
    Tick();
    EXPECT_EQ(RowsIn(NewestColumn(), kGreen), std::vector<int>{30}) << "still 1..10";
}

TEST_F(HistogramTest, NarrowControlShowsTheNewestPart) {
    Create(100, kHeight);
    for (int i = 0; i < kMaxHistory + 5; ++i) {
        graph_->AddSample(static_cast<UINT>(i % 10 + 1), 0);
        Tick();
    }
    // The last sample is 5 (row 30), the one before 4 (row 36): the newest segment is flat,
    // the one before climbs from row 36.
    EXPECT_EQ(RowsIn(NewestColumn(), kGreen), std::vector<int>{30});
    const std::vector<int> climb = RowsIn(right_ - kNewestSegmentLeft - 3, kGreen);
    ASSERT_FALSE(climb.empty());
    EXPECT_EQ(climb.back(), 36);
    EXPECT_EQ(LeftmostIn(kGreen), 0) << "the older part runs off the left edge";
}

TEST_F(HistogramTest, ResizedControlKeepsItsCreationSize) {
    Create();
    ::SetWindowPos(graph_->hwnd(), nullptr, 0, 0, 500, 150, SWP_NOMOVE | SWP_NOZORDER);
    graph_->AddSample(5, 0);
    Tick();
    BITMAP surface{};
    ASSERT_TRUE(::GetObjectA(::GetCurrentObject(graph_->SurfaceDC(), OBJ_BITMAP), sizeof surface, &surface));
    EXPECT_EQ(surface.bmWidth, kWidth);
    EXPECT_EQ(surface.bmHeight, kHeight);
    EXPECT_EQ(RowsIn(NewestColumn(), kGreen), std::vector<int>{30});
}

TEST_F(HistogramTest, PaintingCopiesTheSurface) {
    Create();
    graph_->AddSample(5, 1);
    Tick();
    ::ShowWindow(host_.hwnd(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(host_.hwnd());
    ::UpdateWindow(graph_->hwnd());
    fw::WindowDC window(graph_->hwnd());
    ASSERT_TRUE(window);
    struct Case {
        const char* label;
        int x;
        int y;
    };
    const Case cases[] = {{"background", 5, 5},
                          {"grid", 12, 5},
                          {"series 1", NewestColumn(), 30},
                          {"series 2", NewestColumn(), 54},
                          {"bottom right corner", kWidth - 1, kHeight - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(::GetPixel(window.get(), c.x, c.y), Pixel(c.x, c.y));
    }
    EXPECT_EQ(::GetPixel(window.get(), NewestColumn(), 30), kGreen);
    RECT pending{};
    EXPECT_FALSE(::GetUpdateRect(graph_->hwnd(), &pending, FALSE)) << "painted and validated";
}

TEST_F(HistogramTest, SurfaceGoesWithTheControl) {
    Create();
    HDC dc = graph_->SurfaceDC();
    HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(::GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    ASSERT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    HWND window = graph_->hwnd();
    graph_.reset();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(::GetObjectType(dc), 0u);
    EXPECT_EQ(::GetObjectType(bitmap), 0u);
}

TEST(HistogramControl, FailedCreationLeavesAHarmlessControl) {
    CHistogramCtrl orphan;
    RECT rect{0, 0, 100, 60};
    EXPECT_FALSE(orphan.CreateControl(WS_CHILD, rect, nullptr, IDC_HISTOGRAM)) << "a child needs a parent";
    EXPECT_EQ(orphan.SurfaceDC(), nullptr);
    orphan.AddSample(5, 5);
    EXPECT_EQ(orphan.SetScrollInterval(10), 0u);
    // Without a window there is nothing to time: no thread timer may appear.
    // (A pumping wait would dispatch such a message unseen, so this one only peeks.)
    MSG msg;
    bool timerSeen = false;
    const DWORD start = ::GetTickCount();
    while (!timerSeen && ::GetTickCount() - start < 200) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_TIMER);
        timerSeen = ::PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_TIMER, WM_TIMER, PM_REMOVE) != FALSE;
    }
    EXPECT_FALSE(timerSeen);
    EXPECT_EQ(orphan.SetScrollInterval(0), 10u);
}

TEST(HistogramInMainWindow, CoversTheGraphHost) {
    test::Program program("histogram_main_window");
    ASSERT_TRUE(program.Start());
    HWND main = nullptr;
    test::WaitUntil(
        [&] {
            // A launcher choice left by another test may bring up its message box first.
            if (HWND box = program.WaitForMessageBox(0)) test::DismissMessageBox(box);
            main = program.WaitForMainWindow(0);
            return main != nullptr || !program.running();
        },
        20000);
    ASSERT_NE(main, nullptr);

    HWND graph = ::GetDlgItem(main, IDC_HISTOGRAM);
    HWND graphHost = ::GetDlgItem(main, IDC_GRAPH_HOST);
    ASSERT_NE(graph, nullptr);
    ASSERT_NE(graphHost, nullptr);
    EXPECT_EQ(test::ClassOf(graph), CHistogramCtrl::kWindowClass);
    EXPECT_EQ(::GetClassLongPtrA(graph, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    RECT graphRect{};
    RECT hostRect{};
    ::GetWindowRect(graph, &graphRect);
    ::GetWindowRect(graphHost, &hostRect);
    EXPECT_TRUE(::EqualRect(&graphRect, &hostRect))
        << "graph " << graphRect.left << "," << graphRect.top << "," << graphRect.right << "," << graphRect.bottom
        << " host " << hostRect.left << "," << hostRect.top << "," << hostRect.right << "," << hostRect.bottom;
    const LONG_PTR style = ::GetWindowLongPtrA(graph, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE | WS_TABSTOP));
    EXPECT_TRUE(::GetWindowLongPtrA(graph, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

}  // namespace
