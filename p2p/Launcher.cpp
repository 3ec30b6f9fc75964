// The launcher row of the main window: the detected clients, the stored choice and Run.
#include "app/Acceleration.h"
#include "app/NimbrelDlg.h"

void CNimbrelDlg::FillLauncher() {}
void CNimbrelDlg::OnLauncherSelChange() {}
void CNimbrelDlg::OnRun() {}
void CNimbrelDlg::ClearLauncherChoice() {}
void CNimbrelDlg::ApplyAccelerationState(bool) {}
