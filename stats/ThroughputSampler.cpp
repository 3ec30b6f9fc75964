// The once-a-second load sample, its peak hold, the scale labels and the level picture.
#include "app/NimbrelDlg.h"

void CNimbrelDlg::SampleThroughput() {}
void CNimbrelDlg::ShowLoadLevel(int) {}
