#include "app/AnalysisDlg.h"

void CAnalysisDlg::OnCommEvent() {}
