#include "widgets/AnimatedPicture.h"

#include <process.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "framework/App.h"
#include "widgets/GifParser.h"

namespace {

constexpr COLORREF kInitialBackground = RGB(255, 255, 255);
constexpr DWORD kStopWaitMs = 5000;
constexpr int kHimetricPerInch = 2540;
constexpr DWORD kDisposeRestoreBackground = 2;
constexpr DWORD kDisposeRestorePrevious = 3;
// The picture loader takes the byte length as a signed 32-bit value.
constexpr uint64_t kLargestLoad = LONG_MAX;

// GlobalLock for one scope.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) noexcept : block_(block), data_(::GlobalLock(block)) {}
    ~GlobalLockGuard() { Unlock(); }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    BYTE* data() const noexcept { return static_cast<BYTE*>(data_); }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    void Unlock() noexcept {
        if (data_) ::GlobalUnlock(block_);
        data_ = nullptr;
    }

private:
    HGLOBAL block_;
    void* data_;
};

// A memory drawing context with its own bitmap selected; the previous bitmap goes back
// before either is deleted.
class MemorySurface {
public:
    MemorySurface() = default;
    ~MemorySurface() { Reset(); }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    bool Create(HDC reference, int width, int height) {
        Reset();
        fw::UniqueMemoryDC dc(::CreateCompatibleDC(reference));
        if (!dc) return false;
        fw::UniqueBitmap bitmap(::CreateCompatibleBitmap(reference, width, height));
        if (!bitmap) return false;
        previous_ = ::SelectObject(dc.get(), bitmap.get());
        dc_ = std::move(dc);
        bitmap_ = std::move(bitmap);
        return true;
    }
    void Reset() {
        if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);
        previous_ = nullptr;
        bitmap_.reset();
        dc_.reset();
    }
    HDC dc() const noexcept { return dc_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(dc_); }

private:
    fw::UniqueMemoryDC dc_;
    fw::UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// Draws the whole picture into (x, y, width, height). Pictures keep their extent
// bottom-up, so the source starts at the bottom with a negative height.
bool RenderPicture(IPicture* picture, HDC dc, LONG x, LONG y, LONG width, LONG height) {
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    if (FAILED(picture->get_Width(&himetricWidth)) || FAILED(picture->get_Height(&himetricHeight))) return false;
    return SUCCEEDED(picture->Render(dc, x, y, width, height, 0, himetricHeight, himetricWidth, -himetricHeight,
                                     nullptr));
}

// A stream over a block the caller keeps.
fw::ComRef<IStream> StreamOver(HGLOBAL block) {
    fw::ComRef<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(block, FALSE, stream.put()))) return {};
    return stream;
}

// A stream that frees the block when it goes; without a stream the block goes here.
fw::ComRef<IStream> StreamOwning(fw::UniqueGlobal block) {
    fw::ComRef<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, stream.put()))) return {};
    block.release();
    return stream;
}

fw::ComRef<IPicture> LoadSystemPicture(IStream* stream, uint64_t size) {
    fw::ComRef<IPicture> picture;
    if (!stream || size > kLargestLoad) return picture;
    void* loaded = nullptr;
    if (SUCCEEDED(::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, &loaded)) && loaded) {
        picture.reset(static_cast<IPicture*>(loaded));
    }
    return picture;
}

}  // namespace

struct CAnimatedPicture::Picture {
    // The composition surface is the only drawing state the window thread (WM_PAINT) and
    // the animation thread share; every use of it holds this lock.
    fw::CriticalSection surfaceLock;
    MemorySurface composition;
    // The area under a frame with disposal 3, kept at the picture's size and reused.
    MemorySurface savedArea;
    bool areaSaved = false;
    fw::UniqueBrush backgroundBrush;

    // Written while the picture is loaded, before any thread can see it.
    int width = 0;
    int height = 0;
    COLORREF background = kInitialBackground;
    std::vector<GifFrame> frames;
    fw::ComRef<IPicture> still;
    bool ready = false;

    // Written by the animation thread, read when it starts again.
    std::atomic<UINT> currentFrame{0};

    // The caller holds surfaceLock.
    void FillBackground(LONG left, LONG top, LONG right, LONG bottom) {
        RECT area{left, top, right, bottom};
        ::FillRect(composition.dc(), &area, backgroundBrush.get());
    }
    void SaveArea(const GifFrame& frame) {
        if (!savedArea && !savedArea.Create(composition.dc(), width, height)) return;
        areaSaved = ::BitBlt(savedArea.dc(), frame.left, frame.top, frame.width, frame.height, composition.dc(),
                             frame.left, frame.top, SRCCOPY) != FALSE;
    }
    void Dispose(const GifFrame& frame) {
        if (frame.disposal == kDisposeRestoreBackground) {
            FillBackground(frame.left, frame.top, frame.left + frame.width, frame.top + frame.height);
        } else if (frame.disposal == kDisposeRestorePrevious && areaSaved) {
            ::BitBlt(composition.dc(), frame.left, frame.top, frame.width, frame.height, savedArea.dc(), frame.left,
                     frame.top, SRCCOPY);
            areaSaved = false;
        }
    }
};

struct CAnimatedPicture::Run {
    std::shared_ptr<Picture> picture;
    HWND window = nullptr;
    // A duplicate, so the thread's waits stay valid after the control has closed its own.
    fw::UniqueHandle exitEvent;
    // Per run, so a thread that outlived StopAnimation's wait still sees its stop after
    // the control has reset ExitEvent and started another run.
    std::atomic<bool> exitRequested{false};
    AnimationObserver observer = nullptr;
    void* observerContext = nullptr;

    void Report(AnimationStep step, UINT frame, DWORD waitMs) const {
        if (observer) observer(observerContext, step, frame, waitMs);
    }
    void ShowChange() const {
        if (window) ::InvalidateRect(window, nullptr, FALSE);
    }
};

CAnimatedPicture::CAnimatedPicture() : ExitEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAnimatedPicture::~CAnimatedPicture() { ReleasePicture(); }

bool CAnimatedPicture::LoadFromResource(const char* name, const char* type) {
    HMODULE module = fw::AppInstance();
    HRSRC info = ::FindResourceA(module, name, type);
    if (!info) return false;
    DWORD size = ::SizeofResource(module, info);
    HGLOBAL resource = ::LoadResource(module, info);
    if (!resource || size == 0) return false;
    const void* bytes = ::LockResource(resource);
    if (!bytes) return false;

    fw::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, size));
    if (!block) return false;
    {
        GlobalLockGuard lock(block.get());
        if (!lock) return false;
        std::memcpy(lock.data(), bytes, size);
    }
    return LoadFromMemory(block.get(), size);
}

bool CAnimatedPicture::LoadFromMemory(HGLOBAL block, DWORD size) {
    ReleasePicture();
    // A size beyond the block would have the parser and the loader read past its end.
    if (!block || size == 0 || ::GlobalSize(block) < size) return false;

    auto picture = std::make_shared<Picture>();
    bool gif = false;
    bool whole = true;
    {
        GlobalLockGuard lock(block);
        if (!lock) return false;
        const BYTE* data = lock.data();
        gif = IsGifHeader(data, size);
        if (gif) {
            GifParser parser(data, size);
            picture->width = parser.screenWidth();
            picture->height = parser.screenHeight();
            uint32_t frames = parser.CountFrames();
            if (frames == 0) return false;
            if (frames > 1) {
                whole = false;
                if (!LoadFrames(*picture, data, size)) return false;
            }
        }
    }
    if (whole && !LoadStill(*picture, block, size)) return false;
    if (!gif) {
        fw::WindowDC dc(hwnd());
        if (!dc) return false;
        OLE_XSIZE_HIMETRIC himetricWidth = 0;
        OLE_YSIZE_HIMETRIC himetricHeight = 0;
        picture->still.get()->get_Width(&himetricWidth);
        picture->still.get()->get_Height(&himetricHeight);
        picture->width = ::MulDiv(himetricWidth, ::GetDeviceCaps(dc.get(), LOGPIXELSX), kHimetricPerInch);
        picture->height = ::MulDiv(himetricHeight, ::GetDeviceCaps(dc.get(), LOGPIXELSY), kHimetricPerInch);
    }
    if (!PrepareSurface(*picture, picture->width, picture->height)) return false;
    picture_ = std::move(picture);
    return true;
}

bool CAnimatedPicture::LoadStill(Picture& picture, HGLOBAL block, DWORD size) const {
    picture.still = LoadSystemPicture(StreamOver(block).get(), size);
    return static_cast<bool>(picture.still);
}

bool CAnimatedPicture::LoadFrames(Picture& picture, const BYTE* data, DWORD size) const {
    GifParser parser(data, size);
    GifFrameSpan span;
    while (parser.ExtractFrame(span)) {
        const uint64_t length = parser.FrameGifLength(span);
        if (length > kLargestLoad) continue;
        fw::UniqueGlobal frameBlock(::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(length)));
        if (!frameBlock) continue;
        {
            GlobalLockGuard lock(frameBlock.get());
            if (!lock) continue;
            parser.WriteFrameGif(span, lock.data());
        }
        GifFrame frame;
        frame.picture = LoadSystemPicture(StreamOwning(std::move(frameBlock)).get(), length);
        if (!frame.picture) continue;  // a frame the system cannot read is left out; the others play
        frame.width = span.width;
        frame.height = span.height;
        frame.left = span.left;
        frame.top = span.top;
        frame.delay = span.delay;
        frame.disposal = span.disposal;
        picture.frames.push_back(std::move(frame));
    }
    return !picture.frames.empty();
}

bool CAnimatedPicture::PrepareSurface(Picture& picture, int width, int height) {
    if (hwnd()) {
        ::SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    fw::WindowDC dc(hwnd());
    if (!dc) return false;
    if (!picture.composition.Create(dc.get(), width, height)) return false;
    picture.background = ::GetSysColor(COLOR_BTNFACE);
    picture.backgroundBrush.reset(::CreateSolidBrush(picture.background));
    fw::UniqueBrush window(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
    if (!picture.backgroundBrush || !window) return false;
    RECT whole{0, 0, width, height};
    ::FillRect(picture.composition.dc(), &whole, window.get());
    picture.ready = true;
    return true;
}

bool CAnimatedPicture::Display() {
    if (!picture_ || !picture_->ready) return false;
    if (!picture_->frames.empty()) return StartAnimation();
    if (!picture_->still) return false;
    bool drawn = false;
    {
        fw::Lock lock(picture_->surfaceLock);
        drawn = RenderPicture(picture_->still.get(), picture_->composition.dc(), 0, 0, picture_->width,
                              picture_->height);
    }
    if (drawn && hwnd()) Invalidate(false);
    return drawn;
}

bool CAnimatedPicture::StartAnimation() {
    // One thread per control: a second Display() while playing changes nothing.
    if (thread_) return true;
    if (!ExitEvent) return false;
    auto run = std::make_shared<Run>();
    run->picture = picture_;
    run->window = hwnd();
    run->observer = observer_;
    run->observerContext = observerContext_;
    HANDLE process = ::GetCurrentProcess();
    if (!::DuplicateHandle(process, ExitEvent.get(), process, run->exitEvent.put(), 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    auto parameter = std::make_unique<std::shared_ptr<Run>>(run);
    uintptr_t thread = ::_beginthreadex(nullptr, 0, AnimationThread, parameter.get(), CREATE_SUSPENDED, nullptr);
    if (thread == 0) return false;
    parameter.release();  // the thread's own reference from here on
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    run_ = std::move(run);
    // A thread that cannot be resumed is still stopped and closed by StopAnimation.
    return ::ResumeThread(thread_.get()) != static_cast<DWORD>(-1);
}

unsigned __stdcall CAnimatedPicture::AnimationThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Run>> owned(static_cast<std::shared_ptr<Run>*>(parameter));
    const Run& run = **owned;
    Picture& picture = *run.picture;
    const UINT count = static_cast<UINT>(picture.frames.size());

    // A restart goes on cleanly from the frame where the last stop left it.
    {
        fw::Lock lock(picture.surfaceLock);
        picture.Dispose(picture.frames[picture.currentFrame]);
    }
    while (!run.exitRequested) {
        const UINT index = picture.currentFrame;
        const GifFrame& frame = picture.frames[index];
        bool drawn = false;
        {
            fw::Lock lock(picture.surfaceLock);
            if (frame.disposal == kDisposeRestorePrevious) picture.SaveArea(frame);
            drawn = RenderPicture(frame.picture.get(), picture.composition.dc(), frame.left, frame.top, frame.width,
                                  frame.height);
        }
        if (drawn) run.ShowChange();
        if (run.exitRequested) break;

        const DWORD waitMs = GifFrameWaitMs(frame.delay);
        run.Report(AnimationStep::FrameShown, index, waitMs);
        // A wait that fails ends the thread rather than spinning through the frames.
        if (::WaitForSingleObject(run.exitEvent.get(), waitMs) == WAIT_FAILED) break;
        if (run.exitRequested) break;

        {
            fw::Lock lock(picture.surfaceLock);
            picture.Dispose(frame);
        }
        run.Report(AnimationStep::FrameDisposed, index, 0);
        {
            fw::Lock lock(picture.surfaceLock);
            UINT next = index + 1;
            if (next >= count) {
                next = 0;
                picture.FillBackground(0, 0, picture.width, picture.height);
            }
            picture.currentFrame = next;
        }
    }
    return 0;
}

void CAnimatedPicture::StopAnimation() {
    if (run_) run_->exitRequested = true;
    if (ExitEvent) ::SetEvent(ExitEvent.get());
    if (thread_) {
        // A thread still running after the wait keeps its own references to the picture
        // and its own exit flag: it ends at its next check without touching this object.
        ::WaitForSingleObject(thread_.get(), kStopWaitMs);
        thread_.reset();
    }
    run_.reset();
    if (ExitEvent) ::ResetEvent(ExitEvent.get());
}

void CAnimatedPicture::ReleasePicture() {
    StopAnimation();
    // Frames, pictures and surfaces go with the last reference; normally this one.
    picture_.reset();
}

bool CAnimatedPicture::PaintTo(HDC target) const {
    if (!picture_ || !picture_->ready) return false;
    fw::Lock lock(picture_->surfaceLock);
    return ::BitBlt(target, 0, 0, picture_->width, picture_->height, picture_->composition.dc(), 0, 0, SRCCOPY) !=
           FALSE;
}

int CAnimatedPicture::PictureWidth() const { return picture_ ? picture_->width : 0; }

int CAnimatedPicture::PictureHeight() const { return picture_ ? picture_->height : 0; }

UINT CAnimatedPicture::FrameCount() const { return picture_ ? static_cast<UINT>(picture_->frames.size()) : 0; }

void CAnimatedPicture::SetAnimationObserver(AnimationObserver observer, void* context) {
    observer_ = observer;
    observerContext_ = context;
}

LRESULT CAnimatedPicture::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    fw::PaintDC dc(hwnd());
    PaintTo(dc.get());
    return 0;
}

LRESULT CAnimatedPicture::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    StopAnimation();
    handled = false;
    return 0;
}
