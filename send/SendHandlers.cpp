#include "app/AnalysisDlg.h"

void CAnalysisDlg::OnManualSend() {}

void CAnalysisDlg::OnAutoSend() {}

void CAnalysisDlg::OnStopSend() {}
