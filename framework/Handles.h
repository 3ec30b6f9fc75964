// Owning, move-only wrappers for the Windows handles the program creates.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <utility>

namespace fw {

// One owner per handle; Traits says what "none" is and how to give the handle back.
template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(T value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::none(); }

    T release() noexcept { return std::exchange(value_, Traits::none()); }

    void reset(T value = Traits::none()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::none()) Traits::close(old);
    }

    // For calls that hand a new handle back through an out parameter.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::none();
};

struct KernelHandleTraits {
    static HANDLE none() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

struct FindHandleTraits {
    static HANDLE none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

template <typename T>
struct GdiObjectTraits {
    static T none() noexcept { return nullptr; }
    static void close(T h) noexcept { ::DeleteObject(h); }
};
using UniquePen = UniqueResource<HPEN, GdiObjectTraits<HPEN>>;
using UniqueBrush = UniqueResource<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueResource<HBITMAP, GdiObjectTraits<HBITMAP>>;

struct MemoryDcTraits {
    static HDC none() noexcept { return nullptr; }
    static void close(HDC h) noexcept { ::DeleteDC(h); }
};
using UniqueMemoryDC = UniqueResource<HDC, MemoryDcTraits>;

struct MenuTraits {
    static HMENU none() noexcept { return nullptr; }
    static void close(HMENU h) noexcept { ::DestroyMenu(h); }
};
using UniqueMenu = UniqueResource<HMENU, MenuTraits>;

struct GlobalMemoryTraits {
    static HGLOBAL none() noexcept { return nullptr; }
    static void close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
using UniqueGlobal = UniqueResource<HGLOBAL, GlobalMemoryTraits>;

// A reference to a COM object (IPicture, IStream): released once by its owner.
template <typename I>
struct ComTraits {
    static I* none() noexcept { return nullptr; }
    static void close(I* p) noexcept { p->Release(); }
};
template <typename I>
using ComRef = UniqueResource<I*, ComTraits<I>>;

// The device context of a window, given back when the scope ends.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint as one scope.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
    ~PaintDC() { ::EndPaint(window_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back when the scope ends.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A critical section held for one scope.
class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&cs_); }
    ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock() noexcept { ::EnterCriticalSection(&cs_); }
    void unlock() noexcept { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class Lock {
public:
    explicit Lock(CriticalSection& cs) noexcept : cs_(cs) { cs_.lock(); }
    ~Lock() { cs_.unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace fw
