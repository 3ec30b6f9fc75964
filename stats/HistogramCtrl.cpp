#include "stats/HistogramCtrl.h"

#include <initializer_list>

namespace {

constexpr UINT_PTR kScrollTimerId = 0;
constexpr UINT kInitialScrollMs = 500;

constexpr int kColumnWidth = 3;  // one vertex every 3 pixels
constexpr int kGridCell = 13;
// The newest segment runs from 14 to 11 pixels left of the right edge; right of it only the
// background and the grid show.
constexpr int kSegmentStart = 14;
constexpr int kSegmentEnd = 11;
// A scroll step leaves two fresh columns at the right edge that still lack their part of
// the horizontal grid lines.
constexpr int kGridSegmentLength = 2 * kColumnWidth;

constexpr int kDefaultPenWidth = 1;
constexpr COLORREF kSeries1Colour = RGB(0, 255, 0);
constexpr COLORREF kSeries2Colour = RGB(255, 0, 0);
constexpr int kDefaultRangeLow = 1;
constexpr int kDefaultRangeHigh = 100;

}  // namespace

int HistogramRow(UINT value, int bottom, UINT span) {
    const uint32_t b = static_cast<uint32_t>(bottom);
    return static_cast<int>(b - (value * b) / span);
}

UINT CPendingValues::Drain() {
    const UINT average = count_ > 0 ? static_cast<UINT>(sum_ / count_) : 0;
    sum_ = 0;
    count_ = 0;
    return average;
}

void CHistogramHistory::Append(UINT value) {
    if (size_ == kCapacity) {
        values_[static_cast<size_t>(start_)] = value;
        start_ = (start_ + 1) % kCapacity;
    } else {
        values_[static_cast<size_t>((start_ + size_) % kCapacity)] = value;
        ++size_;
    }
}

bool CHistogramCtrl::CSurface::Create(HDC reference, int width, int height) {
    Reset();
    fw::UniqueMemoryDC dc(::CreateCompatibleDC(reference));
    // The bitmap must match the window's format, not the memory context's 1×1 monochrome one.
    fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(reference, width, height));
    if (!dc || !bitmap) return false;
    HGDIOBJ previous = ::SelectObject(dc.get(), bitmap.get());
    if (!previous || previous == HGDI_ERROR) return false;
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    previousBitmap_ = previous;
    return true;
}

void CHistogramCtrl::CSurface::Reset() {
    if (dc_ && previousBitmap_) ::SelectObject(dc_.get(), previousBitmap_);
    previousBitmap_ = nullptr;
    dc_.reset();
    bitmap_.reset();
}

CHistogramCtrl::CHistogramCtrl()
    : backgroundBrush_(::CreateSolidBrush(backgroundColour_)),
      gridPen_(::CreatePen(PS_SOLID, 1, gridColour_)) {
    SetPenColor(kDefaultPenWidth, kSeries1Colour);
    SetValueRange(kDefaultRangeLow, kDefaultRangeHigh);
}

CHistogramCtrl::~CHistogramCtrl() {
    // The window goes first, so no message can reach a control whose surface is gone.
    DestroyWindow();
}

bool CHistogramCtrl::CreateControl(DWORD style, const RECT& rect, fw::CWnd* parent, UINT id) {
    if (!RegisterClass(kWindowClass, CS_HREDRAW | CS_VREDRAW)) return false;
    if (!CreateEx(WS_EX_CLIENTEDGE, kWindowClass, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent ? parent->hwnd() : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        return false;
    }
    for (Series* series : {&series1_, &series2_}) {
        series->pending.Drain();
        series->history.Clear();
    }
    // Taken once: the control keeps drawing at this size whatever happens to the window.
    ::GetClientRect(hwnd(), &client_);
    fw::WindowDC windowDc(hwnd());
    if (!windowDc || !surface_.Create(windowDc.get(), client_.right - client_.left, client_.bottom - client_.top)) {
        return false;
    }
    PrepareEdgeGrid();
    BuildSurface();
    Invalidate(true);
    SetScrollInterval(kInitialScrollMs);
    return true;
}

void CHistogramCtrl::SetValueRange(int lo, int hi) {
    // Unsigned, so that extreme ranges wrap instead of overflowing.
    const UINT span = static_cast<UINT>(hi) - static_cast<UINT>(lo) + 1u;
    // A span of 0 would divide by zero at the next tick; the previous range stays instead.
    if (span == 0) return;
    rangeSpan_ = span;
    rangeOffset_ = static_cast<int>(static_cast<UINT>(lo) - 1u);
}

UINT CHistogramCtrl::SetScrollInterval(UINT milliseconds) {
    const UINT previous = scrollInterval_;
    scrollInterval_ = milliseconds;
    // Without a window SetTimer would make a thread timer that nobody could kill.
    if (hwnd()) {
        ::KillTimer(hwnd(), kScrollTimerId);
        if (milliseconds != 0) ::SetTimer(hwnd(), kScrollTimerId, milliseconds, nullptr);
    }
    return previous;
}

void CHistogramCtrl::AddSample(UINT a, UINT b) {
    const UINT offset = static_cast<UINT>(rangeOffset_);
    series1_.pending.Add(a - offset);
    series2_.pending.Add(b - offset);
}

void CHistogramCtrl::SetPenColor(int width, COLORREF colour1) {
    series1_.pen.reset(::CreatePen(PS_SOLID, width, colour1));
    series2_.pen.reset(::CreatePen(PS_SOLID, width, kSeries2Colour));
}

LRESULT CHistogramCtrl::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    // Begin/EndPaint even without a surface: an update region left in place would bring
    // WM_PAINT back at once, for ever.
    fw::PaintDC paint(hwnd());
    if (HDC source = surface_.dc()) {
        ::BitBlt(paint.get(), 0, 0, client_.right - client_.left, client_.bottom - client_.top, source, 0, 0,
                 SRCCOPY);
    }
    return 0;
}

LRESULT CHistogramCtrl::OnTimer(UINT, WPARAM, LPARAM, bool&) {
    if (!surface_.dc()) return 0;
    // Its picture is drawn over by the rebuild, but it moves the grid's phase on.
    ScrollStep();
    const UINT average1 = DrainPending(series1_);
    const UINT average2 = DrainPending(series2_);
    RebuildFromHistory();
    PlotColumn(average1, average2);
    // One invalidation per tick: the window is painted once however many steps drew.
    Invalidate(true);
    return 0;
}

void CHistogramCtrl::PrepareEdgeGrid() {
    edgeGridPoints_.assign(2, POINT{client_.right, client_.top});
    edgeGridPoints_[1].y = client_.bottom;
    for (int y = client_.top - 1; y < client_.bottom; y += kGridCell) {
        edgeGridPoints_.push_back(POINT{client_.right - kGridSegmentLength, y});
        edgeGridPoints_.push_back(POINT{client_.right, y});
    }
    edgeGridCounts_.assign(edgeGridPoints_.size() / 2, 2);
}

void CHistogramCtrl::BuildSurface() {
    HDC dc = surface_.dc();
    ::FillRect(dc, &client_, backgroundBrush_.get());
    {
        fw::SelectGuard pen(dc, gridPen_.get());
        for (int x = client_.left - 1; x < client_.right; x += kGridCell) {
            ::MoveToEx(dc, x, client_.top, nullptr);
            ::LineTo(dc, x, client_.bottom);
        }
        for (int y = client_.top - 1; y < client_.bottom; y += kGridCell) {
            ::MoveToEx(dc, client_.left, y, nullptr);
            ::LineTo(dc, client_.right, y);
        }
    }
    for (Series* series : {&series1_, &series2_}) {
        series->y = NoVertex();
        series->previousY = NoVertex();
    }
}

void CHistogramCtrl::ScrollStep() {
    HDC dc = surface_.dc();
    const int width = client_.right - client_.left;
    const int height = client_.bottom - client_.top;
    const RECT strip{client_.right - kColumnWidth, client_.top, client_.right, client_.bottom};
    ::FillRect(dc, &strip, backgroundBrush_.get());
    // The rightmost strip has no source to its right and keeps the background just filled.
    if (width > kColumnWidth) ::BitBlt(dc, 0, 0, width - kColumnWidth, height, dc, kColumnWidth, 0, SRCCOPY);

    GridOffset -= kColumnWidth;
    if (GridOffset < 0) GridOffset += kGridCell;

    const int x = client_.right - ((client_.right - GridOffset) % kGridCell) - 1;
    edgeGridPoints_[0].x = x;
    edgeGridPoints_[1].x = x;
    // One call for all strokes: a tick makes up to 112 of these steps.
    fw::SelectGuard pen(dc, gridPen_.get());
    ::PolyPolyline(dc, edgeGridPoints_.data(), edgeGridCounts_.data(), static_cast<DWORD>(edgeGridCounts_.size()));
}

void CHistogramCtrl::PlotSegment(Series& series, UINT value) {
    HDC dc = surface_.dc();
    // A value of 0 stands for a tick without values: the line keeps its height.
    if (value != 0) series.y = HistogramRow(value, client_.bottom, rangeSpan_);
    if (series.previousY == NoVertex()) series.previousY = series.y;
    fw::SelectGuard pen(dc, series.pen.get());
    ::MoveToEx(dc, client_.right - kSegmentStart, series.previousY, nullptr);
    ::LineTo(dc, client_.right - kSegmentEnd, series.y);
    series.previousY = series.y;
}

void CHistogramCtrl::PlotColumn(UINT a, UINT b) {
    PlotSegment(series1_, a);
    PlotSegment(series2_, b);
}

void CHistogramCtrl::RebuildFromHistory() {
    BuildSurface();
    const CHistogramHistory& history1 = series1_.history;
    const CHistogramHistory& history2 = series2_.history;
    if (history1.Size() == 0) return;
    // The oldest value once more, so that its segment starts level.
    PlotColumn(history1.At(0), history2.At(0));
    ScrollStep();
    for (int i = 0; i < history1.Size(); ++i) {
        PlotColumn(history1.At(i), history2.At(i));
        ScrollStep();
    }
}

UINT CHistogramCtrl::DrainPending(Series& series) {
    const UINT average = series.pending.Drain();
    series.history.Append(average);
    return average;
}
