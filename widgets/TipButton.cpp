#include "widgets/TipButton.h"

void CTipButton::SetTipText(const char*, BOOL) {}
