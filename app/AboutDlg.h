// The About box (dialog 100).
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"
#include "widgets/TipButton.h"

class CAboutDlg : public fw::CDialog {
public:
    explicit CAboutDlg(fw::CWnd* parent) : fw::CDialog(IDD_ABOUTBOX, parent) {}

    BEGIN_MSG_MAP(CAboutDlg, fw::CDialog)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    END_MSG_MAP()

protected:
    void DoDataExchange(fw::CDataExchange& dx) override { fw::DDX_Control(dx, IDOK, okButton_); }

private:
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool& handled) {
        handled = false;
        return 0;
    }

    CTipButton okButton_;  // gets no tip text, so it never shows one
};
