#include "app/AnalysisDlg.h"

void CAnalysisDlg::OnDataLibrary() {}
