#include "app/AnalysisApp.h"

#include "app/AnalysisDlg.h"
#include "serial/CommControlSite.h"

CAnalysisApp theApp;

bool CAnalysisApp::InitInstance() {
    // Dialogs may host the serial control from here on.
    RegisterSerialControl(m_pTrafficObserver);

    CAnalysisDlg dlg;
    dlg.SetBaudRates(m_baudRates);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
