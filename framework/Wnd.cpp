#include "framework/Wnd.h"

#include "framework/App.h"

namespace fw {
namespace {

// The object bound to a window is kept in a window property rather than GWLP_USERDATA:
// a control made by a dialog template may already use its user data, and the property
// also tells this program's windows apart from any other.
constexpr char kObjectProperty[] = "Kelvara.CWnd";

}  // namespace

void CCmdUI::SetCheck(bool checked) {
    ::CheckMenuItem(menu_, index_, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::Enable(bool enabled) {
    ::EnableMenuItem(menu_, index_, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

CWnd::~CWnd() {
    if (!hwnd_) return;
    if (ownsWindow_) {
        ::DestroyWindow(hwnd_);  // WM_NCDESTROY detaches the object
    } else if (previousProc_) {
        UnsubclassWindow();
    } else {
        Detach();
    }
}

CWnd* CWnd::FromHandle(HWND window) {
    if (!window) return nullptr;
    return static_cast<CWnd*>(::GetPropA(window, kObjectProperty));
}

void CWnd::Attach(HWND window) {
    hwnd_ = window;
    ::SetPropA(window, kObjectProperty, this);
}

void CWnd::Detach() {
    if (hwnd_) ::RemovePropA(hwnd_, kObjectProperty);
    hwnd_ = nullptr;
    ownsWindow_ = false;
    previousProc_ = nullptr;
}

bool CWnd::RegisterClass(const char* className, UINT classStyle) {
    WNDCLASSA existing{};
    HINSTANCE instance = AppInstance();
    if (::GetClassInfoA(instance, className, &existing)) return true;
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    return ::RegisterClassA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId) {
    if (hwnd_) return false;
    HWND window = ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                                    AppInstance(), this);
    if (!window) return false;
    ownsWindow_ = true;
    return true;
}

bool CWnd::SubclassWindow(HWND window) {
    if (hwnd_ || !window || FromHandle(window)) return false;
    Attach(window);
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticSubclassProc)));
    if (!previousProc_) {
        Detach();
        return false;
    }
    return true;
}

void CWnd::UnsubclassWindow() {
    if (!hwnd_ || !previousProc_) return;
    ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    Detach();
}

void CWnd::DestroyWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool CWnd::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CWnd::PreTranslateMessage(MSG*) { return false; }

LRESULT CWnd::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (previousProc_) return ::CallWindowProcA(previousProc_, hwnd_, msg, wParam, lParam);
    return ::DefWindowProcA(hwnd_, msg, wParam, lParam);
}

std::string CWnd::GetWindowText() const {
    int length = ::GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void CWnd::UpdateMenuCommands(HMENU menu) {
    // Updates may remove items, so the count is read afresh on every pass.
    for (int index = 0; index < ::GetMenuItemCount(menu); ++index) {
        UINT id = ::GetMenuItemID(menu, index);
        if (id == 0) continue;  // separator
        if (id == static_cast<UINT>(-1)) {
            // A sub-menu stands for the command of its first item.
            HMENU sub = ::GetSubMenu(menu, index);
            if (!sub) continue;
            id = ::GetMenuItemID(sub, 0);
            if (id == 0 || id == static_cast<UINT>(-1)) continue;
        }
        CCmdUI ui(menu, static_cast<UINT>(index), id);
        LRESULT ignored = 0;
        // An item without an update handler keeps its state.
        ProcessWindowMessage(kUpdateCommandUiMessage, id, reinterpret_cast<LPARAM>(&ui), ignored);
    }
}

LRESULT CWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = ProcessWindowMessage(msg, wParam, lParam, result);
    } catch (...) {
        // No exception may unwind through the system's window procedure callers.
        handled = false;
    }
    if (!handled) result = DefaultProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        if (previousProc_) {
            ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        }
        Detach();
    }
    return result;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* self = static_cast<CWnd*>(create->lpCreateParams)) self->Attach(window);
    }
    if (CWnd* self = FromHandle(window)) return self->HandleMessage(msg, wParam, lParam);
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticSubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (CWnd* self = FromHandle(window)) return self->HandleMessage(msg, wParam, lParam);
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

}  // namespace fw
