#include "app/AnalysisDlg.h"
#include "datalib/DataLibraryDlg.h"
#include "res/resource.h"

void CAnalysisDlg::OnDataLibrary() {
    CDataLibraryDlg dlg(this);
    const int result = dlg.DoModal();
    if (result == 0) {
        return;
    }
    // Any other result applies the choice as the dialog's last refresh left
    // it: after Esc or the close box that is the last save click, and a
    // dialog that could not be created leaves nothing chosen.
    m_strExpectedText = dlg.ChosenExpected();
    m_strSendText = dlg.ChosenSend();
    SetDlgItemText(IDC_SENDTEXT, m_strSendText.Get());
    SetDlgItemText(IDC_EXPECTED, m_strExpectedText);
    Invalidate(true);
}
