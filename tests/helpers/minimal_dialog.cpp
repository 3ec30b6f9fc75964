// The floor of the start-up benchmark: the smallest dialog program built the same way as
// Kelvara (static mingw-w64 build), shown modally until it is closed.
#include <windows.h>

#include <cstring>

namespace {

INT_PTR CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        ::DestroyWindow(window);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // DLGTEMPLATE, no menu, default class, the caption, then no controls.
    alignas(4) WORD buffer[64] = {};
    auto* tmpl = reinterpret_cast<DLGTEMPLATE*>(buffer);
    tmpl->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER;
    tmpl->cx = 281;
    tmpl->cy = 246;
    WORD* p = reinterpret_cast<WORD*>(tmpl + 1);
    *p++ = 0;  // menu
    *p++ = 0;  // class
    for (const char* c = "Minimal"; *c; ++c) *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    // Created and run the way the program runs its dialogs: modeless creation, own loop.
    HWND window = ::CreateDialogIndirectParamA(instance, tmpl, nullptr, Proc, 0);
    if (!window) return 1;
    ::ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (::IsWindow(window) && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(window, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
