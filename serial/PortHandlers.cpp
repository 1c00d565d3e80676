#include "app/AnalysisDlg.h"

void CAnalysisDlg::OnOpen() {}

void CAnalysisDlg::OnClose() {}
