// Modal dialogs from resource templates, and the data exchange between a dialog's
// controls and its members.
#pragma once

#include <windows.h>
#include <string>

#include "framework/Wnd.h"

namespace fw {

class CDialog;

// One pass of data exchange: `save` copies the controls into the members, otherwise the
// members go to the controls.
struct CDataExchange {
    CDialog& dialog;
    bool save;
};

// Binds a control of the dialog to an object (once; later passes change nothing).
void DDX_Control(CDataExchange& dx, int id, CWnd& control);
// The control's text and a string member, in the pass's direction.
void DDX_Text(CDataExchange& dx, int id, std::string& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

    // Creates the dialog, runs its own message loop until EndDialog and destroys it.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    bool UpdateData(bool save);

    BEGIN_MSG_MAP(CDialog, CWnd)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialogMessage)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    bool PreTranslateMessage(MSG* msg) override;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    // Default OK: copy the controls back, then close with IDOK.
    virtual void OnOK();
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialogMessage(UINT, WPARAM, LPARAM, bool&) { return OnInitDialog(); }

    UINT templateId_;
    CWnd* parent_;
    bool running_ = false;
    INT_PTR result_ = -1;
};

}  // namespace fw
