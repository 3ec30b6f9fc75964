// A static control that shows a picture and plays animated GIFs in a thread of its own.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "framework/Controls.h"
#include "framework/Handles.h"

// One frame of an animation, with its picture as the system loaded it.
struct GifFrame {
    fw::ComRef<IPicture> picture;
    LONG width = 0;
    LONG height = 0;
    LONG left = 0;
    LONG top = 0;
    DWORD delay = 0;     // hundredths of a second; all bits set without a Graphic Control Extension
    DWORD disposal = 0;  // Disposal Method, 0 to 7
};

class CAnimatedPicture : public fw::CStatic {
public:
    // Where in a pass the animation thread tells an observer what it does.
    enum class AnimationStep {
        FrameShown,     // the frame is drawn and the thread is about to wait waitMs
        FrameDisposed,  // the frame's disposal is done; the wrap after the last frame follows
    };
    // Called on the animation thread, outside the surface lock.
    using AnimationObserver = void (*)(void* context, AnimationStep step, UINT frame, DWORD waitMs);

    CAnimatedPicture();
    ~CAnimatedPicture() override;

    BEGIN_MSG_MAP(CAnimatedPicture, fw::CStatic)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    // A resource of the program's module (name may be MAKEINTRESOURCE of an id).
    bool LoadFromResource(const char* name, const char* type);
    // The caller keeps the block; nothing refers to it after the call.
    bool LoadFromMemory(HGLOBAL block, DWORD size);
    // Plays an animation, or draws a still picture once.
    bool Display();
    // Ends the animation thread; the picture stays loaded and a later Display() goes on
    // from the frame it stopped at.
    void StopAnimation();
    void ReleasePicture();

    // Copies the composed picture to target at (0, 0) the way WM_PAINT does; false when
    // nothing is ready to show.
    bool PaintTo(HDC target) const;

    int PictureWidth() const;
    int PictureHeight() const;
    // Frames of the loaded animation; 0 for a still picture or when empty.
    UINT FrameCount() const;
    bool IsPlaying() const { return static_cast<bool>(thread_); }
    // Used by the next Display(); the context must outlive that animation thread.
    void SetAnimationObserver(AnimationObserver observer, void* context);

private:
    // What the animation thread draws with: frames, surfaces and the lock around them.
    // The thread holds a reference of its own, so a thread that outlives StopAnimation's
    // bounded wait never finds them freed.
    struct Picture;
    // One start of the thread: its own exit flag and its own handle to ExitEvent.
    struct Run;

    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);

    bool LoadStill(Picture& picture, HGLOBAL block, DWORD size) const;
    bool LoadFrames(Picture& picture, const BYTE* data, DWORD size) const;
    bool PrepareSurface(Picture& picture, int width, int height);
    bool StartAnimation();
    static unsigned __stdcall AnimationThread(void* parameter);

    fw::UniqueHandle ExitEvent;
    std::shared_ptr<Picture> picture_;
    std::shared_ptr<Run> run_;
    fw::UniqueHandle thread_;
    AnimationObserver observer_ = nullptr;
    void* observerContext_ = nullptr;
};
