#include "stats/HistogramCtrl.h"

CHistogramCtrl::CHistogramCtrl() = default;
CHistogramCtrl::~CHistogramCtrl() = default;

bool CHistogramCtrl::CreateControl(DWORD, const RECT&, fw::CWnd*, UINT) { return false; }
void CHistogramCtrl::SetValueRange(int, int) {}
UINT CHistogramCtrl::SetScrollInterval(UINT) { return 0; }
void CHistogramCtrl::AddSample(UINT, UINT) {}
void CHistogramCtrl::SetPenColor(int, COLORREF) {}
