#include "framework/Dialog.h"

#include "framework/App.h"

namespace fw {
namespace {

// Messages whose result a dialog procedure returns directly instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

void DDX_Control(CDataExchange& dx, int id, CWnd& control) {
    if (control.hwnd()) return;
    control.SubclassWindow(dx.dialog.GetDlgItem(id));
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
    HWND item = dx.dialog.GetDlgItem(id);
    if (!item) return;
    if (dx.save) {
        int length = ::GetWindowTextLengthA(item);
        std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        int copied = ::GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
        value = std::move(text);
    } else {
        ::SetWindowTextA(item, value.c_str());
    }
}

INT_PTR CDialog::DoModal() {
    HWND owner = parent_ ? parent_->hwnd() : nullptr;
    result_ = -1;
    running_ = true;
    HWND window = ::CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(templateId_), owner, StaticDialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (!window) {
        running_ = false;
        return -1;
    }
    if (owner) ::EnableWindow(owner, FALSE);
    // Like a modal dialog of the system, the dialog shows even when its template is not visible.
    if (running_ && !::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNORMAL);

    MSG msg;
    while (running_) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT for outer loops
            break;
        }
        if (got == -1) break;
        bool taken = false;
        // The window the message is for and its parents up to this dialog may take it first.
        for (HWND w = msg.hwnd; w && !taken; w = ::GetParent(w)) {
            if (CWnd* object = FromHandle(w)) taken = object->PreTranslateMessage(&msg);
            if (w == window) break;
        }
        if (!taken) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (hwnd()) ::DestroyWindow(hwnd());
    return result_;
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    running_ = false;
    if (hwnd()) ::ShowWindow(hwnd(), SW_HIDE);
    ::PostMessageA(hwnd(), WM_NULL, 0, 0);  // wake the loop if it is waiting
}

bool CDialog::UpdateData(bool save) {
    CDataExchange dx{*this, save};
    try {
        DoDataExchange(dx);
    } catch (...) {
        return false;
    }
    return true;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::PreTranslateMessage(MSG* msg) { return ::IsDialogMessageA(hwnd(), msg) != FALSE; }

LRESULT CDialog::DefaultProc(UINT, WPARAM, LPARAM) {
    // The dialog manager's own processing runs when the dialog procedure returns FALSE.
    return 0;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        if (self) self->Attach(window);
    }
    auto* self = static_cast<CDialog*>(FromHandle(window));
    if (!self) return FALSE;

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->ProcessWindowMessage(msg, wParam, lParam, result);
    } catch (...) {
        handled = false;
    }
    if (msg == WM_NCDESTROY) self->Detach();
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace fw
