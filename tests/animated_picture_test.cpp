// The animated picture control on real windows: loading the program's level pictures and
// crafted GIFs, the animation thread's waits, the composition of frames by their disposal
// read back pixel by pixel, and how the thread is stopped.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "res/resource.h"
#include "tests/support/GifBuilder.h"
#include "tests/support/Support.h"
#include "widgets/AnimatedPicture.h"

namespace {

using test::gif::Bytes;
using test::gif::Join;
namespace gif = test::gif;
using Step = CAnimatedPicture::AnimationStep;

// The picture loader needs OLE on the thread that loads.
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);
// A fault on the animation thread ends the run instead of leaving it hanging.
[[maybe_unused]] const bool kFaultsEndTheRun = (test::EndProcessOnFault(), true);

constexpr DWORD kStepTimeoutMs = 10000;
constexpr char kHostClass[] = "KelvaraPictureHost";
constexpr DWORD kRunningForever = 4294967286u;  // the wait of a frame without a control extension

// A parent window with a static control like the main window's 1037, bound to the object.
// Hidden unless a test reads the screen: Wine without a window manager takes seconds to
// take a shown window down again.
class PictureHost {
public:
    explicit PictureHost(bool visible = false) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kHostClass;
        ::RegisterClassA(&wc);  // fails harmlessly when an earlier test registered it
        const DWORD style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0);
        parent_ = ::CreateWindowExA(0, kHostClass, "picture host", style, 40, 40, 360, 160, nullptr, nullptr,
                                    wc.hInstance, nullptr);
        child_ = ::CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 10, 10, 60, 20, parent_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LEVEL_PICTURE)), wc.hInstance,
                                   nullptr);
        bound_ = picture.SubclassWindow(child_);
        test::PumpMessages(0);
    }
    ~PictureHost() {
        if (::IsWindow(parent_)) ::DestroyWindow(parent_);
    }
    PictureHost(const PictureHost&) = delete;
    PictureHost& operator=(const PictureHost&) = delete;

    bool ready() const { return parent_ && child_ && bound_; }
    HWND child() const { return child_; }
    SIZE ControlSize() const {
        RECT r{};
        ::GetWindowRect(child_, &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    CAnimatedPicture picture;

private:
    HWND parent_ = nullptr;
    HWND child_ = nullptr;
    bool bound_ = false;
};

// Hands bytes to the control the way the program hands it a resource: in a movable block
// that is freed right after the call.
bool LoadBytes(CAnimatedPicture& picture, const Bytes& bytes, DWORD claimedSize = 0) {
    fw::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!block) return false;
    if (void* data = ::GlobalLock(block.get())) {
        std::memcpy(data, bytes.data(), bytes.size());
        ::GlobalUnlock(block.get());
    }
    return picture.LoadFromMemory(block.get(), claimedSize ? claimedSize : static_cast<DWORD>(bytes.size()));
}

// Colours of the fixtures, and the two system colours the control fills with.
const gif::Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kBlack{0, 0, 0};
const std::vector<gif::Rgb> kPalette{kRed, kGreen, kBlue, kBlack};
constexpr uint8_t kRedIndex = 0, kGreenIndex = 1, kBlueIndex = 2;

char ColourName(COLORREF c) {
    if (c == ::GetSysColor(COLOR_BTNFACE)) return 'F';
    if (c == ::GetSysColor(COLOR_WINDOW)) return 'W';
    if (c == RGB(255, 0, 0)) return 'R';
    if (c == RGB(0, 255, 0)) return 'G';
    if (c == RGB(0, 0, 255)) return 'B';
    if (c == RGB(0, 0, 0)) return 'K';
    return '?';
}

// The composed picture as WM_PAINT copies it, row by row; empty when nothing is painted.
std::vector<COLORREF> ReadPixels(const CAnimatedPicture& picture, int width, int height) {
    fw::WindowDC screen(nullptr);
    fw::UniqueMemoryDC dc(::CreateCompatibleDC(screen.get()));
    fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!dc || !bitmap) return {};
    fw::SelectGuard select(dc.get(), bitmap.get());
    if (!picture.PaintTo(dc.get())) return {};
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels.push_back(::GetPixel(dc.get(), x, y));
    }
    return pixels;
}

// The same, one letter per pixel and one text per row.
std::vector<std::string> ReadComposition(const CAnimatedPicture& picture, int width, int height) {
    std::vector<COLORREF> pixels = ReadPixels(picture, width, height);
    if (pixels.empty()) return {"nothing to paint"};
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += ColourName(pixels[static_cast<size_t>(y * width + x)]);
        rows.push_back(row);
    }
    return rows;
}

// Colours of the meter artwork at places its drawing fixes: the face around the well, the
// well's shadowed top edge and lit bottom edge, and the last of the fourteen bars.
constexpr int kMeterWidth = 200;
constexpr int kMeterHeight = 27;
constexpr COLORREF kArtFace = RGB(212, 208, 200);
constexpr COLORREF kArtShadow = RGB(128, 128, 128);
constexpr COLORREF kArtHighlight = RGB(255, 255, 255);
constexpr COLORREF kIdleWell = RGB(112, 112, 112);
constexpr COLORREF kDarkSlot = RGB(80, 80, 80);
constexpr COLORREF kLastBarLit = RGB(230, 20, 0);
COLORREF MeterPixel(const std::vector<COLORREF>& pixels, int x, int y) {
    return pixels.empty() ? CLR_INVALID : pixels[static_cast<size_t>(y * kMeterWidth + x)];
}

// What the animation thread reports, recorded; in step mode the thread is held at each
// report until the test lets it go on (never longer than kStepTimeoutMs).
class Recorder {
public:
    struct Event {
        Step step;
        UINT frame;
        DWORD waitMs;
        DWORD threadId;
    };

    Recorder()
        : reached_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          proceed_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

    void Attach(CAnimatedPicture& picture) { picture.SetAnimationObserver(&Observe, this); }

    // Call while no thread is held: a hand-over left from an earlier run is dropped.
    void SetStepMode(bool on) {
        fw::Lock lock(lock_);
        stepMode_ = on;
        if (on) {
            ::ResetEvent(reached_.get());
            ::ResetEvent(proceed_.get());
        }
    }
    // Waits for the held thread's next report.
    bool Next(Event& event) {
        if (::WaitForSingleObject(reached_.get(), kStepTimeoutMs) != WAIT_OBJECT_0) return false;
        fw::Lock lock(lock_);
        event = events_.back();
        return true;
    }
    void Proceed() { ::SetEvent(proceed_.get()); }
    // Next reports until one matches; the others are let go at once.
    bool NextMatching(Step step, UINT frame) {
        Event event{};
        while (Next(event)) {
            if (event.step == step && event.frame == frame) return true;
            Proceed();
        }
        return false;
    }
    void FreeRun() {
        SetStepMode(false);
        Proceed();
    }

    std::vector<Event> Events() const {
        fw::Lock lock(lock_);
        return events_;
    }
    std::vector<Event> Shown() const {
        std::vector<Event> shown;
        for (const Event& e : Events()) {
            if (e.step == Step::FrameShown) shown.push_back(e);
        }
        return shown;
    }
    void Clear() {
        fw::Lock lock(lock_);
        events_.clear();
    }

private:
    static void Observe(void* context, Step step, UINT frame, DWORD waitMs) {
        auto* self = static_cast<Recorder*>(context);
        bool hold = false;
        {
            fw::Lock lock(self->lock_);
            self->events_.push_back({step, frame, waitMs, ::GetCurrentThreadId()});
            hold = self->stepMode_;
        }
        if (hold) {
            ::SetEvent(self->reached_.get());
            ::WaitForSingleObject(self->proceed_.get(), kStepTimeoutMs);
        }
    }

    mutable fw::CriticalSection lock_;
    std::vector<Event> events_;
    bool stepMode_ = false;
    fw::UniqueHandle reached_;
    fw::UniqueHandle proceed_;
};

// A thread of this process by id, to see whether it has ended.
fw::UniqueHandle OpenThreadOf(DWORD id) {
    return fw::UniqueHandle(::OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id));
}
bool HasEnded(const fw::UniqueHandle& thread) { return ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }

// 8 x 4 pixels: frame 0 covers the left half (a blue top row over red), frame 1 is a
// green 4 x 2 block at (2, 1) that overlaps it.
Bytes TwoFrameFixture(uint8_t disposal0, uint8_t disposal1, uint16_t delay = 5) {
    std::vector<uint8_t> left(16, kRedIndex);
    for (int x = 0; x < 4; ++x) left[static_cast<size_t>(x)] = kBlueIndex;
    return Join({gif::Screen(8, 4, kPalette), gif::GraphicControl(delay, disposal0), gif::Image(0, 0, 4, 4, left),
                 gif::GraphicControl(delay, disposal1), gif::FilledImage(2, 1, 4, 2, kGreenIndex),
                 {gif::kTrailer}});
}

class AnimatedPicture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.ready());
        // The fills are told apart by these two colours.
        ASSERT_NE(::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_WINDOW));
        recorder.Attach(host.picture);
    }
    void TearDown() override {
        recorder.FreeRun();
        host.picture.StopAnimation();
    }

    Recorder recorder;  // outlives the control whose thread reports to it
    PictureHost host;
};

TEST_F(AnimatedPicture, LevelPicturesLoadAsSixteenFramesAndSizeTheControl) {
    for (UINT id : {IDR_GIF_LEVEL1, IDR_GIF_LEVEL2, IDR_GIF_LEVEL3, IDR_GIF_LEVEL4, IDR_GIF_LEVEL5, IDR_GIF_LEVEL6}) {
        SCOPED_TRACE(id);
        ::SetWindowPos(host.child(), nullptr, 0, 0, 60, 20, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(id), "GIF"));
        EXPECT_EQ(host.picture.FrameCount(), 16u);
        EXPECT_EQ(host.picture.PictureWidth(), 200);
        EXPECT_EQ(host.picture.PictureHeight(), 27);
        SIZE size = host.ControlSize();
        EXPECT_EQ(size.cx, 200);
        EXPECT_EQ(size.cy, 27);
        EXPECT_FALSE(host.picture.IsPlaying());
        // Until something is drawn the surface holds the window colour.
        EXPECT_EQ(ReadComposition(host.picture, kMeterWidth, kMeterHeight),
                  std::vector<std::string>(kMeterHeight, std::string(kMeterWidth, 'W')));
    }
}

TEST_F(AnimatedPicture, StillPictureIsDrawnOnceWithoutAThread) {
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_STOPPED), "GIF"));
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    EXPECT_EQ(host.picture.PictureWidth(), kMeterWidth);
    EXPECT_EQ(host.picture.PictureHeight(), kMeterHeight);
    SIZE size = host.ControlSize();
    EXPECT_EQ(size.cx, kMeterWidth);
    EXPECT_EQ(size.cy, kMeterHeight);

    ASSERT_TRUE(host.picture.Display());
    EXPECT_FALSE(host.picture.IsPlaying());
    test::PumpMessages(200);
    EXPECT_TRUE(recorder.Events().empty());

    // Drawn whole and the right way up: shadow on top of the well, highlight below it.
    std::vector<COLORREF> pixels = ReadPixels(host.picture, kMeterWidth, kMeterHeight);
    EXPECT_EQ(MeterPixel(pixels, 0, 0), kArtFace);
    EXPECT_EQ(MeterPixel(pixels, 199, 26), kArtFace);
    EXPECT_EQ(MeterPixel(pixels, 100, 2), kArtShadow);
    EXPECT_EQ(MeterPixel(pixels, 100, 24), kArtHighlight);
    EXPECT_EQ(MeterPixel(pixels, 100, 3), kIdleWell);
}

// WM_PAINT on a shown control copies the composed picture to the screen.
TEST(AnimatedPicturePaint, PaintShowsTheComposedPicture) {
    PictureHost host(true);
    ASSERT_TRUE(host.ready());
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_STOPPED), "GIF"));
    ASSERT_TRUE(host.picture.Display());
    std::vector<COLORREF> composed = ReadPixels(host.picture, kMeterWidth, kMeterHeight);
    ASSERT_FALSE(composed.empty());

    // Something else on the control first, so only a paint can bring the picture back.
    {
        fw::WindowDC dc(host.child());
        RECT all{0, 0, kMeterWidth, kMeterHeight};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ::RedrawWindow(host.child(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    fw::WindowDC dc(host.child());
    int differing = 0;
    for (int y = 0; y < kMeterHeight; ++y) {
        for (int x = 0; x < kMeterWidth; ++x) {
            if (::GetPixel(dc.get(), x, y) != MeterPixel(composed, x, y)) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(AnimatedPicture, OneFrameGifIsDrawnWholeTheRightWayUp) {
    std::vector<uint8_t> pixels(12, kRedIndex);
    pixels[0] = pixels[1] = pixels[2] = pixels[3] = kBlueIndex;
    pixels[11] = kGreenIndex;
    ASSERT_TRUE(LoadBytes(host.picture,
                          Join({gif::Screen(4, 3, kPalette), gif::GraphicControl(0, 1), gif::Image(0, 0, 4, 3, pixels),
                                {gif::kTrailer}})));
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    ASSERT_TRUE(host.picture.Display());
    EXPECT_FALSE(host.picture.IsPlaying());
    EXPECT_EQ(ReadComposition(host.picture, 4, 3), (std::vector<std::string>{"BBBB", "RRRR", "RRRG"}));
}

// A 24-bit bottom-up bitmap file.
Bytes BitmapFile(int width, int height, const std::vector<COLORREF>& topDownPixels) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    Bytes out(file.bfSize, 0);
    std::memcpy(out.data(), &file, sizeof file);
    std::memcpy(out.data() + sizeof file, &info, sizeof info);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = out.data() + file.bfOffBits + static_cast<size_t>(stride) * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            COLORREF c = topDownPixels[static_cast<size_t>(y * width + x)];
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    return out;
}

TEST_F(AnimatedPicture, OtherPicturesGoToTheSystemLoaderWhole) {
    const COLORREF r = RGB(255, 0, 0), b = RGB(0, 0, 255), g = RGB(0, 255, 0);
    ASSERT_TRUE(LoadBytes(host.picture, BitmapFile(5, 3, {b, b, b, b, b, r, r, r, r, r, r, r, r, r, g})));
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    EXPECT_EQ(host.picture.PictureWidth(), 5);
    EXPECT_EQ(host.picture.PictureHeight(), 3);
    SIZE size = host.ControlSize();
    EXPECT_EQ(size.cx, 5);
    EXPECT_EQ(size.cy, 3);
    ASSERT_TRUE(host.picture.Display());
    EXPECT_FALSE(host.picture.IsPlaying());
    EXPECT_EQ(ReadComposition(host.picture, 5, 3), (std::vector<std::string>{"BBBBB", "RRRRR", "RRRRG"}));

    // A version other than 87a and 89a is not parsed: its two frames are not played.
    Bytes gif88 = TwoFrameFixture(1, 1);
    std::memcpy(gif88.data(), "GIF88a", 6);
    ASSERT_TRUE(LoadBytes(host.picture, gif88));  // the system loader is not as strict
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    EXPECT_TRUE(host.picture.Display());
    EXPECT_FALSE(host.picture.IsPlaying());
    test::PumpMessages(200);
    EXPECT_TRUE(recorder.Events().empty());
}

TEST_F(AnimatedPicture, FailedLoadsLeaveNothingToShow) {
    const Bytes screen = gif::Screen(8, 4, kPalette);
    const Bytes frame = Join({gif::GraphicControl(5, 1), gif::FilledImage(0, 0, 8, 4, kRedIndex)});
    struct Case {
        const char* name;
        Bytes bytes;
        DWORD claimedSize;  // 0: the real size
    } cases[] = {
        {"trailer only", Join({screen, {gif::kTrailer}}), 0},
        {"control extension without an image", Join({screen, gif::GraphicControl(5, 1), {gif::kTrailer}}), 0},
        {"unrecognised first block", Join({screen, {0x00}, frame, {gif::kTrailer}}), 0},
        {"screen cut short", Bytes(screen.begin(), screen.begin() + 10), 0},
        {"global table cut short", Bytes(screen.begin(), screen.begin() + 20), 0},
        {"not a picture", Bytes{'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd'}, 0},
        {"size beyond the block", Join({screen, frame, frame, {gif::kTrailer}}), 1 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each failure also ends what played before.
        ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL6), "GIF"));
        ASSERT_TRUE(host.picture.Display());
        ASSERT_TRUE(host.picture.IsPlaying());

        EXPECT_FALSE(LoadBytes(host.picture, c.bytes, c.claimedSize));
        EXPECT_FALSE(host.picture.IsPlaying());
        EXPECT_EQ(host.picture.FrameCount(), 0u);
        EXPECT_EQ(host.picture.PictureWidth(), 0);
        EXPECT_FALSE(host.picture.Display());
        EXPECT_FALSE(host.picture.IsPlaying());
        fw::WindowDC dc(host.child());
        EXPECT_FALSE(host.picture.PaintTo(dc.get()));
    }

    EXPECT_FALSE(host.picture.LoadFromResource(MAKEINTRESOURCEA(999), "GIF"));
    EXPECT_FALSE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL1), "PNG"));
    EXPECT_FALSE(host.picture.LoadFromMemory(nullptr, 100));
    EXPECT_FALSE(host.picture.Display());
}

TEST_F(AnimatedPicture, FramesTheLoaderRejectsAreLeftOut) {
    const Bytes screen = gif::Screen(8, 4, kPalette);
    const Bytes good = Join({gif::GraphicControl(5, 1), gif::FilledImage(0, 0, 8, 4, kRedIndex)});
    // An LZW minimum code size of 12 leaves no room for the clear and end codes.
    Bytes bad = Join({gif::GraphicControl(7, 1), gif::FilledImage(0, 0, 8, 4, kRedIndex)});
    bad[8 + 10] = 12;

    ASSERT_TRUE(LoadBytes(host.picture, Join({screen, good, bad, good, {gif::kTrailer}})));
    EXPECT_EQ(host.picture.FrameCount(), 2u);
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return recorder.Shown().size() >= 3; }, kStepTimeoutMs));
    host.picture.StopAnimation();
    for (const Recorder::Event& e : recorder.Shown()) EXPECT_EQ(e.waitMs, 50u) << "frame " << e.frame;

    EXPECT_FALSE(LoadBytes(host.picture, Join({screen, bad, bad, {gif::kTrailer}})));
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    EXPECT_FALSE(host.picture.Display());
}

TEST_F(AnimatedPicture, ThreadWaitsFollowTheFrameDelays) {
    const Bytes screen = gif::Screen(8, 4, kPalette);
    const Bytes image = gif::FilledImage(0, 0, 8, 4, kRedIndex);
    struct Case {
        const char* name;
        UINT resource;  // 0: the bytes
        Bytes bytes;
        std::vector<DWORD> waits;
    } cases[] = {
        {"level 1: delay 312", IDR_GIF_LEVEL1, {}, {3120}},
        {"level 6: delay 6", IDR_GIF_LEVEL6, {}, {60, 60, 60}},
        {"delays 0, 4 and 5",
         0,
         Join({screen, gif::GraphicControl(0, 1), image, gif::GraphicControl(4, 1), image, gif::GraphicControl(5, 1),
               image, {gif::kTrailer}}),
         {100, 100, 50}},
        {"no graphic control extension", 0, Join({screen, image, image, {gif::kTrailer}}), {kRunningForever}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.Clear();
        if (c.resource) {
            ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(c.resource), "GIF"));
        } else {
            ASSERT_TRUE(LoadBytes(host.picture, c.bytes));
        }
        ASSERT_TRUE(host.picture.Display());
        EXPECT_TRUE(host.picture.IsPlaying());
        EXPECT_TRUE(test::WaitUntil([&] { return recorder.Shown().size() >= c.waits.size(); }, kStepTimeoutMs));
        host.picture.StopAnimation();
        EXPECT_FALSE(host.picture.IsPlaying());

        std::vector<Recorder::Event> shown = recorder.Shown();
        ASSERT_GE(shown.size(), c.waits.size());
        for (size_t i = 0; i < c.waits.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            EXPECT_EQ(shown[i].frame, i);
            EXPECT_EQ(shown[i].waitMs, c.waits[i]);
        }
    }
}

TEST_F(AnimatedPicture, LastLevelFrameIsClearedToButtonFaceBeforeTheLoopWraps) {
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL6), "GIF"));
    recorder.SetStepMode(true);
    ASSERT_TRUE(host.picture.Display());
    const std::vector<std::string> face(27, std::string(200, 'F'));

    Recorder::Event event{};
    ASSERT_TRUE(recorder.Next(event));
    EXPECT_EQ(event.step, Step::FrameShown);
    EXPECT_EQ(event.frame, 0u);
    std::vector<COLORREF> empty = ReadPixels(host.picture, kMeterWidth, kMeterHeight);
    EXPECT_EQ(MeterPixel(empty, 0, 0), kArtFace);
    EXPECT_EQ(MeterPixel(empty, 170, 10), kDarkSlot);
    recorder.Proceed();

    // Every bar has been drawn in its place over the first frame, then the full last frame.
    ASSERT_TRUE(recorder.NextMatching(Step::FrameDisposed, 14));
    EXPECT_EQ(MeterPixel(ReadPixels(host.picture, kMeterWidth, kMeterHeight), 170, 10), kLastBarLit);
    recorder.Proceed();
    ASSERT_TRUE(recorder.NextMatching(Step::FrameShown, 15));
    std::vector<COLORREF> full = ReadPixels(host.picture, kMeterWidth, kMeterHeight);
    EXPECT_EQ(MeterPixel(full, 0, 0), kArtFace);
    EXPECT_EQ(MeterPixel(full, 170, 10), kLastBarLit);
    recorder.Proceed();

    ASSERT_TRUE(recorder.NextMatching(Step::FrameDisposed, 15));
    EXPECT_EQ(ReadComposition(host.picture, kMeterWidth, kMeterHeight), face);
    recorder.Proceed();

    // The loop starts again from the first frame.
    ASSERT_TRUE(recorder.Next(event));
    EXPECT_EQ(event.step, Step::FrameShown);
    EXPECT_EQ(event.frame, 0u);
    EXPECT_EQ(ReadPixels(host.picture, kMeterWidth, kMeterHeight), empty);
}

TEST_F(AnimatedPicture, FramesAreComposedByTheirDisposal) {
    using Rows = std::vector<std::string>;
    const Rows white(4, "WWWWWWWW");
    const Rows frame0{"BBBBWWWW", "RRRRWWWW", "RRRRWWWW", "RRRRWWWW"};
    const Rows frame0AfterWrap{"BBBBFFFF", "RRRRFFFF", "RRRRFFFF", "RRRRFFFF"};
    struct Case {
        const char* name;
        uint8_t disposal0, disposal1;
        Rows shown0, disposed0, shown1, disposed1, shownAgain0, disposedAgain0;
    } cases[] = {
        {"keep, keep", 1, 1, frame0, frame0,
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         frame0AfterWrap, frame0AfterWrap},
        {"none, none", 0, 0, frame0, frame0,
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         frame0AfterWrap, frame0AfterWrap},
        {"background, background", 2, 2, frame0, {"FFFFWWWW", "FFFFWWWW", "FFFFWWWW", "FFFFWWWW"},
         {"FFFFWWWW", "FFGGGGWW", "FFGGGGWW", "FFFFWWWW"},
         {"FFFFWWWW", "FFFFFFWW", "FFFFFFWW", "FFFFWWWW"},
         frame0AfterWrap, Rows(4, "FFFFFFFF")},
        {"previous, previous", 3, 3, frame0, white,
         {"WWWWWWWW", "WWGGGGWW", "WWGGGGWW", "WWWWWWWW"},
         white,
         frame0AfterWrap, Rows(4, "FFFFFFFF")},
        {"keep, previous", 1, 3, frame0, frame0,
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         frame0,
         frame0AfterWrap, frame0AfterWrap},
        {"unknown methods 4 to 7 leave the picture alone", 5, 7, frame0, frame0,
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         {"BBBBWWWW", "RRGGGGWW", "RRGGGGWW", "RRRRWWWW"},
         frame0AfterWrap, frame0AfterWrap},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(LoadBytes(host.picture, TwoFrameFixture(c.disposal0, c.disposal1)));
        ASSERT_EQ(host.picture.FrameCount(), 2u);
        recorder.Clear();
        recorder.SetStepMode(true);
        ASSERT_TRUE(host.picture.Display());

        struct Expected {
            Step step;
            UINT frame;
            const Rows& rows;
        } steps[] = {
            {Step::FrameShown, 0, c.shown0},      {Step::FrameDisposed, 0, c.disposed0},
            {Step::FrameShown, 1, c.shown1},      {Step::FrameDisposed, 1, c.disposed1},
            {Step::FrameShown, 0, c.shownAgain0}, {Step::FrameDisposed, 0, c.disposedAgain0},
        };
        int index = 0;
        for (const Expected& want : steps) {
            SCOPED_TRACE("step " + std::to_string(index++));
            Recorder::Event event{};
            ASSERT_TRUE(recorder.Next(event));
            EXPECT_EQ(event.step, want.step);
            EXPECT_EQ(event.frame, want.frame);
            EXPECT_EQ(ReadComposition(host.picture, 8, 4), want.rows);
            recorder.Proceed();
        }
        recorder.FreeRun();
        host.picture.StopAnimation();
    }
}

TEST_F(AnimatedPicture, LoadingWhilePlayingStopsTheOldThreadAndStartsAtFrameZero) {
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL6), "GIF"));
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return recorder.Shown().size() >= 4; }, kStepTimeoutMs));
    fw::UniqueHandle old = OpenThreadOf(recorder.Shown().front().threadId);
    ASSERT_TRUE(old);
    EXPECT_FALSE(HasEnded(old));

    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL1), "GIF"));
    EXPECT_TRUE(HasEnded(old)) << "the old thread must be gone before the load returns";
    EXPECT_FALSE(host.picture.IsPlaying());

    recorder.Clear();
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return !recorder.Shown().empty(); }, kStepTimeoutMs));
    Recorder::Event first = recorder.Shown().front();
    EXPECT_EQ(first.frame, 0u);
    EXPECT_EQ(first.waitMs, 3120u);
}

TEST_F(AnimatedPicture, StopCutsTheLongestWaitShortAndDisplayGoesOnFromThatFrame) {
    const Bytes image = gif::FilledImage(0, 0, 8, 4, kRedIndex);
    ASSERT_TRUE(LoadBytes(host.picture, Join({gif::Screen(8, 4, kPalette), gif::GraphicControl(1, 1), image, image,
                                              gif::GraphicControl(1, 1), image, {gif::kTrailer}})));
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return recorder.Shown().size() >= 2; }, kStepTimeoutMs));
    ASSERT_EQ(recorder.Shown()[1].frame, 1u);
    ASSERT_EQ(recorder.Shown()[1].waitMs, kRunningForever);
    fw::UniqueHandle thread = OpenThreadOf(recorder.Shown()[1].threadId);
    ASSERT_TRUE(thread);

    host.picture.StopAnimation();
    EXPECT_TRUE(HasEnded(thread));
    EXPECT_FALSE(host.picture.IsPlaying());
    EXPECT_EQ(host.picture.FrameCount(), 3u) << "the picture stays loaded";

    recorder.Clear();
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return !recorder.Shown().empty(); }, kStepTimeoutMs));
    EXPECT_EQ(recorder.Shown().front().frame, 1u);
    // A second start while playing adds no second thread.
    EXPECT_TRUE(host.picture.Display());
    test::PumpMessages(300);
    DWORD threadId = recorder.Shown().front().threadId;
    for (const Recorder::Event& e : recorder.Events()) EXPECT_EQ(e.threadId, threadId);
}

TEST_F(AnimatedPicture, DestroyingTheControlStopsTheThread) {
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL6), "GIF"));
    ASSERT_TRUE(host.picture.Display());
    ASSERT_TRUE(test::WaitUntil([&] { return !recorder.Shown().empty(); }, kStepTimeoutMs));
    fw::UniqueHandle thread = OpenThreadOf(recorder.Shown().front().threadId);
    ASSERT_TRUE(thread);

    ::DestroyWindow(host.child());
    EXPECT_TRUE(HasEnded(thread));
    EXPECT_FALSE(host.picture.IsPlaying());
}

TEST_F(AnimatedPicture, ReleaseEmptiesTheControl) {
    ASSERT_TRUE(host.picture.LoadFromResource(MAKEINTRESOURCEA(IDR_GIF_LEVEL6), "GIF"));
    ASSERT_TRUE(host.picture.Display());
    host.picture.ReleasePicture();
    EXPECT_FALSE(host.picture.IsPlaying());
    EXPECT_EQ(host.picture.FrameCount(), 0u);
    EXPECT_EQ(host.picture.PictureWidth(), 0);
    EXPECT_EQ(host.picture.PictureHeight(), 0);
    EXPECT_FALSE(host.picture.Display());
}

// A thread held past StopAnimation's bounded wait (here by the observer) must neither stop
// the control from letting go nor find its frames and surface freed when it runs on.
TEST(AnimatedPictureStop, ThreadOutlivingTheWaitKeepsWhatItDrawsWith) {
    Recorder recorder;
    fw::UniqueHandle thread;
    {
        PictureHost host;
        ASSERT_TRUE(host.ready());
        recorder.Attach(host.picture);
        ASSERT_TRUE(LoadBytes(host.picture, TwoFrameFixture(2, 3)));
        recorder.SetStepMode(true);
        ASSERT_TRUE(host.picture.Display());
        Recorder::Event event{};
        ASSERT_TRUE(recorder.Next(event));
        thread = OpenThreadOf(event.threadId);
        ASSERT_TRUE(thread);

        host.picture.StopAnimation();  // gives up after its wait
        EXPECT_FALSE(host.picture.IsPlaying());
        EXPECT_FALSE(HasEnded(thread));
        host.picture.ReleasePicture();
        EXPECT_EQ(host.picture.FrameCount(), 0u);
        recorder.Clear();
    }  // the control and its windows are gone

    recorder.FreeRun();
    ASSERT_EQ(::WaitForSingleObject(thread.get(), kStepTimeoutMs), WAIT_OBJECT_0);
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(::GetExitCodeThread(thread.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(recorder.Events().empty()) << "a stopped thread draws no further frame";
}

// The real program: its control 1037 takes the level pictures' size, and with no client
// chosen (acceleration off again after start-up) it shows the still picture on the screen.
TEST(AnimatedPictureInProgram, MainWindowShowsTheStillPictureWhenNoClientIsChosen) {
    test::DeleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\Kelvara");
    test::Program program("animated_picture");
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow(30000);
    ASSERT_NE(main, nullptr);
    HWND control = ::GetDlgItem(main, IDC_LEVEL_PICTURE);
    ASSERT_NE(control, nullptr);
    RECT r{};
    ::GetWindowRect(control, &r);
    EXPECT_EQ(r.right - r.left, kMeterWidth);
    EXPECT_EQ(r.bottom - r.top, kMeterHeight);

    // Read from the screen, where the other process's paint ends up.
    const COLORREF kIdleSlot = RGB(160, 160, 160);
    fw::WindowDC screen(nullptr);
    auto at = [&](int x, int y) { return ::GetPixel(screen.get(), r.left + x, r.top + y); };
    EXPECT_TRUE(test::WaitUntil([&] { return at(100, 3) == kIdleWell && at(170, 10) == kIdleSlot; }, 10000))
        << std::hex << at(100, 3) << " " << at(170, 10);
    EXPECT_EQ(at(0, 0), kArtFace);
    EXPECT_EQ(at(100, 2), kArtShadow);
    EXPECT_EQ(at(100, 24), kArtHighlight);
}

}  // namespace
