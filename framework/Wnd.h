// The window base of the program's framework layer: binds one C++ object to one HWND
// and dispatches the window's messages through the class's message table.
#pragma once

#include <windows.h>
#include <string>

// A message table sits inside the class and reads top to bottom:
//
//   BEGIN_MSG_MAP(CMyDlg, CDialog)
//       MESSAGE_HANDLER(WM_PAINT, OnPaint)          // LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled)
//       COMMAND_ID_HANDLER(IDC_RUN, OnRun)          // void OnRun()   (menu item, accelerator or BN_CLICKED)
//       COMMAND_HANDLER(IDC_LIST, CBN_SELCHANGE, OnPick)   // void OnPick()
//       UPDATE_COMMAND_UI(ID_ITEM, OnUpdateItem)    // void OnUpdateItem(fw::CCmdUI&)
//   END_MSG_MAP()
//
// A message handler that clears `handled` passes the message on to the default processing.
// Anything the table does not take goes to the base class's table, and finally to the
// window's default processing.
#define BEGIN_MSG_MAP(thisClass, baseClass)                                                     \
    bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
        using MessageMapBase = baseClass;                                                       \
        (void)wParam;                                                                           \
        (void)lParam;

#define MESSAGE_HANDLER(msg, func)                                                               \
    if (uMsg == (msg)) {                                                                         \
        bool handled = true;                                                                     \
        lResult = func(uMsg, wParam, lParam, handled);                                           \
        if (handled) return true;                                                                \
    }

#define COMMAND_ID_HANDLER(id, func)                                                             \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && ::fw::IsPlainCommand(wParam, lParam)) { \
        func();                                                                                  \
        lResult = 0;                                                                             \
        return true;                                                                             \
    }

#define COMMAND_HANDLER(id, code, func)                                                          \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {              \
        func();                                                                                  \
        lResult = 0;                                                                             \
        return true;                                                                             \
    }

#define UPDATE_COMMAND_UI(id, func)                                                              \
    if (uMsg == ::fw::kUpdateCommandUiMessage && wParam == (id)) {                               \
        func(*reinterpret_cast<::fw::CCmdUI*>(lParam));                                          \
        lResult = 0;                                                                             \
        return true;                                                                             \
    }

#define END_MSG_MAP()                                                                            \
    return MessageMapBase::ProcessWindowMessage(uMsg, wParam, lParam, lResult);                  \
    }

namespace fw {

// Never sent to a window: the menu update pass asks a message table for a command's state
// with it, so update handlers sit in the same table as everything else.
constexpr UINT kUpdateCommandUiMessage = WM_APP + 0x3F00;

// A menu command (notification 0), an accelerator (1) or a button click (BN_CLICKED is 0).
inline bool IsPlainCommand(WPARAM wParam, LPARAM lParam) {
    return HIWORD(wParam) == 0 || (HIWORD(wParam) == 1 && lParam == 0);
}

// What an update handler may change on one menu item.
class CCmdUI {
public:
    CCmdUI(HMENU menu, UINT index, UINT id) : menu_(menu), index_(index), id_(id) {}
    UINT id() const { return id_; }
    void SetCheck(bool checked);
    void Enable(bool enabled);

private:
    HMENU menu_;
    UINT index_;
    UINT id_;
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The object bound to a window of this program, or null for any other window.
    static CWnd* FromHandle(HWND window);

    // Creates a window of a class whose procedure is this framework's; the object owns it
    // and destroys it in its destructor.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId);
    // Registers (once per process) a window class that dispatches to CWnd objects.
    static bool RegisterClass(const char* className, UINT classStyle);

    // Binds the object to a window made by someone else (a dialog's control); the window's
    // previous procedure becomes this object's default processing.
    bool SubclassWindow(HWND window);
    void UnsubclassWindow();

    void DestroyWindow();

    // Dispatch entry of the message table; classes override it with BEGIN_MSG_MAP.
    virtual bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Seen by the modal loop before a message addressed to this window is dispatched;
    // true means the message was dealt with.
    virtual bool PreTranslateMessage(MSG* msg);

    // What the window does with a message its table does not take.
    virtual LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Small conveniences over the window's handle.
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(hwnd_, msg, wParam, lParam);
    }
    void SetWindowText(const char* text) const { ::SetWindowTextA(hwnd_, text); }
    std::string GetWindowText() const;
    void EnableWindow(bool enable) const { ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }

    // Walks a menu about to open and lets the message table's update handlers set the
    // state of each item.
    void UpdateMenuCommands(HMENU menu);

protected:
    // The procedure of windows created through CreateEx.
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs the message through the table, then the default processing.
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void Attach(HWND window);
    void Detach();

private:
    static LRESULT CALLBACK StaticSubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool ownsWindow_ = false;
    WNDPROC previousProc_ = nullptr;
};

}  // namespace fw
