// The scrolling two-line graph of the main window.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Handles.h"
#include "framework/Wnd.h"

// Pixel row of a stored value (already reduced by the range offset) in a graph whose client
// area runs from row 0 to `bottom`: `span` lands on row 0, 0 on row `bottom`. The arithmetic
// is unsigned 32-bit on purpose (product truncated, quotient rounded down), so values above
// the span come out as negative rows, drawn above the visible area. `span` must not be 0.
int HistogramRow(UINT value, int bottom, UINT span);

// Values handed in between two ticks. Only their sum and number are kept: the average is the
// same as over the values themselves (the sum wraps modulo 2^32 either way), and a long
// pause costs no memory.
class CPendingValues {
public:
    void Add(UINT value) {
        sum_ += value;
        ++count_;
    }
    // The unsigned average of everything added since the last call (0 when nothing was),
    // and empties the queue.
    UINT Drain();

private:
    uint32_t sum_ = 0;
    uint64_t count_ = 0;  // 64 bits: a count that wrapped to 0 would divide by zero
};

// The last `kCapacity` averaged values of one series, oldest first, in a fixed ring.
class CHistogramHistory {
public:
    static constexpr int kCapacity = 110;

    void Clear() { start_ = size_ = 0; }
    // Appends; when full the oldest entry makes room.
    void Append(UINT value);
    int Size() const { return size_; }
    // Entry `index`, 0 being the oldest.
    UINT At(int index) const { return values_[static_cast<size_t>((start_ + index) % kCapacity)]; }

private:
    std::array<UINT, kCapacity> values_{};
    int start_ = 0;
    int size_ = 0;
};

class CHistogramCtrl : public fw::CWnd {
public:
    static constexpr char kWindowClass[] = "KelvaraHistogram";

    CHistogramCtrl();
    ~CHistogramCtrl() override;

    BEGIN_MSG_MAP(CHistogramCtrl, fw::CWnd)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
    END_MSG_MAP()

    // Creates the control as a child of `parent` at `rect` (parent's client coordinates),
    // builds its picture and starts scrolling every 500 ms.
    bool CreateControl(DWORD style, const RECT& rect, fw::CWnd* parent, UINT id);
    // Values lo..hi fill the height; lo − 1 sits on the bottom line.
    void SetValueRange(int lo, int hi);
    // 0 pauses the scrolling; returns the interval it replaces.
    UINT SetScrollInterval(UINT milliseconds);
    // Queues one value per series for the next tick.
    void AddSample(UINT a, UINT b);
    // Series 1 in `colour1`, series 2 in red, both `width` pixels wide.
    void SetPenColor(int width, COLORREF colour1);

    // The off-screen picture that painting copies, for code that checks what was drawn;
    // null while the control has none.
    HDC SurfaceDC() const { return surface_.dc(); }

private:
    // A memory device context with a bitmap selected, the original bitmap put back before
    // the context goes.
    class CSurface {
    public:
        CSurface() = default;
        ~CSurface() { Reset(); }
        CSurface(const CSurface&) = delete;
        CSurface& operator=(const CSurface&) = delete;

        bool Create(HDC reference, int width, int height);
        void Reset();
        HDC dc() const { return dc_.get(); }

    private:
        fw::UniqueBitmap bitmap_;
        fw::UniqueMemoryDC dc_;
        HGDIOBJ previousBitmap_ = nullptr;
    };

    struct Series {
        CPendingValues pending;
        CHistogramHistory history;
        fw::UniquePen pen;
        int y = 0;          // newest vertex
        int previousY = 0;  // the vertex before it
    };

    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, bool&);

    // Drawing on the surface; none of these touches the window.
    void BuildSurface();
    void ScrollStep();
    void PlotColumn(UINT a, UINT b);
    void PlotSegment(Series& series, UINT value);
    void RebuildFromHistory();
    UINT DrainPending(Series& series);
    void PrepareEdgeGrid();

    // One pixel below the client area: the series has no vertex yet.
    int NoVertex() const { return client_.bottom + 1; }

    UINT scrollInterval_ = 0;
    int rangeOffset_ = 0;
    UINT rangeSpan_ = 100;
    CSurface surface_;
    RECT client_{};  // taken once at creation
    Series series1_;
    Series series2_;
    int GridOffset = 13;  // phase of the vertical grid lines; one whole cell before the first step
    COLORREF backgroundColour_ = RGB(0, 0, 0);
    COLORREF gridColour_ = RGB(0, 130, 66);
    fw::UniqueBrush backgroundBrush_;
    fw::UniquePen gridPen_;
    // The grid strokes a scroll step draws at the right edge, as one PolyPolyline: the
    // vertical line first, then the pieces of the horizontal lines. Made once at creation,
    // only the vertical line's x changes.
    std::vector<POINT> edgeGridPoints_;
    std::vector<DWORD> edgeGridCounts_;
};
