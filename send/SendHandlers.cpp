#include "app/AnalysisDlg.h"
#include "res/resource.h"
#include "send/SendWorkers.h"

void CAnalysisDlg::OnManualSend() {
    RefreshFromControls();
    if (!m_bPortOpen) {
        MessageBox("Please Open the COM.");
        return;
    }
    // Every click sends once more, on a worker of its own; nothing is disabled.
    StartSendWorker(&ManualSendThread);
}

void CAnalysisDlg::OnAutoSend() {
    RefreshFromControls();
    if (!m_bPortOpen) {
        MessageBox("Please open the COM.");
        return;
    }
    // Set before the worker starts, so that its first test finds it set.
    m_bAutoSending = 1;
    StartSendWorker(&AutoSendThread);
    for (int id : {IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDPERIOD, IDC_SENDHEX, IDC_DATALIB}) {
        EnableItem(id, false);
    }
}

void CAnalysisDlg::OnStopSend() {
    // The worker sees the flag after the turn in progress and then gives back
    // the two send buttons and the hex-mode box itself.
    m_bAutoSending = 0;
    EnableItem(IDC_SENDPERIOD, true);
    EnableItem(IDC_DATALIB, true);
}

void CAnalysisDlg::StartSendWorker(unsigned (*worker)(CAnalysisDlg*)) {
    if (!m_pSendCalls) {
        m_pSendCalls = std::make_unique<UiThreadCalls>();
    }
    m_sendWorkers.Start([worker, this] { worker(this); });
}

void CAnalysisDlg::EndSendWorkers() {
    m_bAutoSending = 0;
    if (m_pSendCalls) {
        // Wakes sleeping workers without a further send and refuses what they
        // hand over, so that every one of them returns promptly.
        m_pSendCalls->Close();
    }
    m_sendWorkers.JoinAll();
    m_pSendCalls.reset();
}
