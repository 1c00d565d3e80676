#pragma once

#include <QIcon>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog/ComboList.h"
#include "platform/dialog/Dialog.h"
#include "platform/text/SharedText.h"
#include "platform/threads/UiThreadCalls.h"
#include "platform/threads/WorkerThreads.h"
#include "serial/MSComm.h"

// The analysis window: the program's only main window. It watches the port,
// compares what arrives with the expected data and sends the send text.
class CAnalysisDlg : public CDialog {
public:
    CAnalysisDlg();
    ~CAnalysisDlg() override;

    // The data exchange, controls to members with the period's range check.
    bool RefreshFromControls() { return UpdateData(true); }
    // The data exchange, members to controls.
    bool WriteToControls() { return UpdateData(false); }

    // The baud-rate list's items, in this order, instead of 1200 to 9600; set
    // before the window is created. Its control then takes any rate the port
    // does. Empty: the list as it always is.
    void SetBaudRates(std::vector<int> rates) { m_baudRates = std::move(rates); }
    // The baud-rate list's items by position.
    const std::vector<int>& BaudRates() const;

    // State record. The send members are read by worker threads: the flags and
    // the period are atomics and the send text is read under its lock.
    ComboList m_ctrlStopBits;
    ComboList m_ctrlParity;
    ComboList m_ctrlFlowControl;
    ComboList m_ctrlDataBits;
    ComboList m_ctrlPort;
    ComboList m_ctrlBaudRate;
    CMSComm m_ctrlComm;
    std::atomic<int> m_nSendPeriod{0};
    SharedText m_strSendText;
    std::string m_strReceiveText;
    std::string m_strFilteredText;
    std::string m_strExpectedText;
    int m_bReceiveHex = 0;
    std::atomic<int> m_bSendHex{0};
    std::string m_strCompareResult;
    std::atomic<int> m_bAutoSending{0};
    int m_bPortOpen = 0;
    QIcon m_hIcon;

    // Handlers, routed by the command and event tables (AnalysisDlg.cpp). Each
    // is defined with the subsystem it drives, in the file named beside it;
    // that folder compiles it into this window's library.
    void OnOpen();         // serial/PortHandlers.cpp
    void OnClose();        // serial/PortHandlers.cpp
    void OnCommEvent();    // analysis/ReceiveHandler.cpp
    void OnManualSend();   // send/SendHandlers.cpp
    void OnAutoSend();     // send/SendHandlers.cpp
    void OnStopSend();     // send/SendHandlers.cpp
    void OnDataLibrary();  // datalib/DataLibraryHandler.cpp

    QIcon OnQueryDragIcon() const { return m_hIcon; }

    // Send workers (send/SendWorkers.cpp). They hand every call on the serial
    // control and every enabling of a control over to this window's thread, and
    // all of them are stopped and joined when the window ends.
    UiThreadCalls& SendCalls() { return *m_pSendCalls; }
    WorkerThreads& SendWorkers() { return m_sendWorkers; }

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    bool OnControlEvent(int id, int eventNumber) override;
    void OnPaint(QPainter& painter) override;
    void OnDestroy() override;

private:
    void FillBaudRates();

    void StartSendWorker(unsigned (*worker)(CAnalysisDlg*));  // send/SendHandlers.cpp
    void EndSendWorkers();                                    // send/SendHandlers.cpp

    std::unique_ptr<UiThreadCalls> m_pSendCalls;
    WorkerThreads m_sendWorkers;
    std::vector<int> m_baudRates;  // empty: the list as it always is

    static const CommandEntry<CAnalysisDlg> kCommandTable[6];
    static const EventEntry<CAnalysisDlg> kEventTable[1];
};
