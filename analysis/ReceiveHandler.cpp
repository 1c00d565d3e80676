#include "analysis/ReceiveBatch.h"
#include "app/AnalysisDlg.h"
#include "platform/threads/Sleep.h"
#include "res/resource.h"

// One OnComm event. An error the serial control raises ends it at that step;
// the event dispatch hands the error back to the control and shows nothing.
void CAnalysisDlg::OnCommEvent() {
    // Whatever the operator typed into the views counts from this event on.
    // With a bad period the exchange shows its message and stops there; the
    // bytes are handled all the same.
    RefreshFromControls();

    if (m_ctrlComm.GetCommEvent() != CommControl::kEvReceive) {
        return;
    }

    // No further receive event while this one runs; Input takes everything.
    m_ctrlComm.SetRThreshold(0);
    m_ctrlComm.SetInputLen(0);

    const ByteArray received = m_ctrlComm.GetInput();
    const ReceiveTexts texts{m_strReceiveText, m_strFilteredText, m_strExpectedText,
                             m_strCompareResult};
    if (AnalyseReceivedBytes(received, m_bReceiveHex != 0, texts)) {
        // Let the rest of a broken frame arrive, so that discarding it below
        // starts the next event on a frame boundary. The filtered text is
        // already empty; nothing else reads it meanwhile. Send workers are
        // served during the wait: a starting one may put the threshold back to
        // 1, but no event is raised before this one has returned.
        SleepServingWorkers(100, m_pSendCalls.get());
    }

    SetDlgItemText(IDC_RESULT, m_strCompareResult);
    SetDlgItemText(IDC_FILTERED, m_strFilteredText);
    SetDlgItemText(IDC_RECEIVETEXT, m_strReceiveText);

    // Drop what arrived meanwhile, the wait included, then re-arm the event.
    m_ctrlComm.SetInBufferCount(0);
    m_ctrlComm.SetRThreshold(1);
}
