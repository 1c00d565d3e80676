#include "app/AnalysisDlg.h"
#include "platform/threads/Sleep.h"
#include "res/resource.h"
#include "serial/LineChoice.h"

namespace {
// Controls that only make sense while the port is closed.
const int kLineSettings[] = {IDC_OPEN,     IDC_PORT,     IDC_BAUDRATE,   IDC_PARITY,
                             IDC_DATABITS, IDC_STOPBITS, IDC_FLOWCONTROL};
}  // namespace

void CAnalysisDlg::OnOpen() {
    if (m_ctrlComm.GetPortOpen()) {
        m_ctrlComm.SetPortOpen(false);
    }

    const int port = m_ctrlPort.GetCurSel();
    const int baudRate = m_ctrlBaudRate.GetCurSel();
    const int dataBits = m_ctrlDataBits.GetCurSel();
    const int stopBits = m_ctrlStopBits.GetCurSel();
    const int parity = m_ctrlParity.GetCurSel();
    const int flowControl = m_ctrlFlowControl.GetCurSel();
    const LineChoice line =
        ChooseLine(port, baudRate, dataBits, stopBits, parity, flowControl, BaudRates());

    WriteToControls();

    m_ctrlComm.SetCommPort(line.port);
    m_ctrlComm.SetInBufferSize(1024);
    m_ctrlComm.SetOutBufferSize(1024);
    m_ctrlComm.SetSettings(line.settings);
    m_ctrlComm.SetInputMode(1);
    m_ctrlComm.SetRThreshold(1);
    m_ctrlComm.SetInputLen(0);
    m_ctrlComm.SetHandshaking(line.handshaking);

    if (m_ctrlComm.GetPortOpen()) {
        return;
    }
    m_ctrlComm.SetPortOpen(true);

    m_bPortOpen = 1;
    SetDlgItemText(IDC_SENDPERIOD, "500");
    for (int id : kLineSettings) {
        EnableItem(id, false);
    }
}

void CAnalysisDlg::OnClose() {
    m_bAutoSending = 0;
    // Gives an automatic run time to see its flag before the port goes. Its
    // turn in progress may fall due meanwhile: the workers are still served,
    // so that send leaves on time rather than being refused after the close.
    SleepServingWorkers(500, m_pSendCalls.get());

    if (m_ctrlComm.GetPortOpen()) {
        m_ctrlComm.SetPortOpen(false);
        m_bPortOpen = 0;
    }

    SetDlgItemText(IDC_SENDPERIOD, "500");
    const int restored[] = {IDC_SENDPERIOD, IDC_OPEN,     IDC_PORT,     IDC_BAUDRATE,
                            IDC_PARITY,     IDC_DATABITS, IDC_STOPBITS, IDC_FLOWCONTROL,
                            IDC_SENDHEX,    IDC_DATALIB};
    for (int id : restored) {
        EnableItem(id, true);
    }
}
