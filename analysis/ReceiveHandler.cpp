#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "analysis/Comparison.h"
#include "app/AnalysisDlg.h"
#include "platform/Sleep.h"
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

    // Every byte of the array is formatted straight from it, however many came:
    // nothing is copied into a fixed-size area first.
    const ByteArray received = m_ctrlComm.GetInput();
    const bool hex = m_bReceiveHex != 0;
    for (unsigned char byte : received) {
        const std::string byteText = ByteText(byte, hex);
        m_strReceiveText += byteText;
        m_strFilteredText += byteText;
    }

    std::string comparison = m_strFilteredText;
    RemoveBlanksAndTabs(comparison);
    // The member loses its blanks and tabs; its box keeps the text as typed.
    RemoveBlanksAndTabs(m_strExpectedText);

    if (FilteredOverrunsExpected(comparison, m_strExpectedText)) {
        // Let the rest of a broken frame arrive, so that discarding it below
        // starts the next event on a frame boundary.
        Sleep(100);
        m_strFilteredText.clear();
        comparison.clear();
    }

    if (ReceiveTextTooLong(m_strReceiveText)) {
        m_strReceiveText.clear();
    }

    m_strCompareResult = CompareResult(m_strExpectedText, comparison);

    SetDlgItemText(IDC_RESULT, m_strCompareResult);
    SetDlgItemText(IDC_FILTERED, m_strFilteredText);
    SetDlgItemText(IDC_RECEIVETEXT, m_strReceiveText);

    // Drop what arrived meanwhile, the wait included, then re-arm the event.
    m_ctrlComm.SetInBufferCount(0);
    m_ctrlComm.SetRThreshold(1);
}
