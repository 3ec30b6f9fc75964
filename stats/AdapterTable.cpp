// The adapter list, the interface-table snapshot and the chosen adapter's baseline.
#include "app/NimbrelDlg.h"

void CNimbrelDlg::LoadAdapterTable() {}
void CNimbrelDlg::RefreshAdapterTable() {}
void CNimbrelDlg::TakeBaseline() {}
void CNimbrelDlg::SelectAdapter() {}
