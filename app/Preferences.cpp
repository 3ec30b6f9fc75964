// The program's stored values and the start-with-Windows entry.
#include "app/NimbrelDlg.h"

void CNimbrelDlg::ReadStoredValues() {
    keptCheckPeriodNum_ = "12";
    keptAccelerateN_ = "7";
}

void CNimbrelDlg::StoreKeptValues() { UpdateData(true); }

void CNimbrelDlg::OnRunAtStartup() { RunAtStartup = !RunAtStartup; }

void CNimbrelDlg::OnUpdateRunAtStartup(fw::CCmdUI& ui) { ui.SetCheck(RunAtStartup); }
