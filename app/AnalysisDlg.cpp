#include "app/AnalysisDlg.h"

#include <QPainter>

#include "platform/dialog/DataExchange.h"
#include "platform/text/Gbk.h"
#include "res/Templates.h"
#include "res/resource.h"
#include "serial/LineChoice.h"
#include "serial/SerialControlClass.h"

const CDialog::CommandEntry<CAnalysisDlg> CAnalysisDlg::kCommandTable[6] = {
    {IDC_OPEN, &CAnalysisDlg::OnOpen},         {IDC_MANUALSEND, &CAnalysisDlg::OnManualSend},
    {IDC_AUTOSEND, &CAnalysisDlg::OnAutoSend}, {IDC_STOPSEND, &CAnalysisDlg::OnStopSend},
    {IDC_CLOSE, &CAnalysisDlg::OnClose},       {IDC_DATALIB, &CAnalysisDlg::OnDataLibrary},
};

const CDialog::EventEntry<CAnalysisDlg> CAnalysisDlg::kEventTable[1] = {
    {IDC_MSCOMM, EVENT_ONCOMM, &CAnalysisDlg::OnCommEvent},
};

namespace {

struct ListDefaults {
    int id;
    ComboList CAnalysisDlg::*list;
    const char* entries[5];
    int selected;
};

// Filled in this order; each list sorts its entries, so the selected position
// counts in the sorted list.
const ListDefaults kLists[] = {
    {IDC_PORT, &CAnalysisDlg::m_ctrlPort, {"COM1", "COM2", "COM3", "COM4"}, 1},
    {IDC_BAUDRATE, &CAnalysisDlg::m_ctrlBaudRate, {"1200", "2400", "4800", "9600"}, 3},
    {IDC_DATABITS, &CAnalysisDlg::m_ctrlDataBits, {"8", "7", "6", "5", "4"}, 4},
    {IDC_STOPBITS, &CAnalysisDlg::m_ctrlStopBits, {"1", "1.5", "2"}, 0},
    {IDC_PARITY, &CAnalysisDlg::m_ctrlParity, {"EVEN", "NONE", "ODD"}, 1},
    {IDC_FLOWCONTROL, &CAnalysisDlg::m_ctrlFlowControl, {"NO", "YES"}, 0},
};

// Size of a window icon in pixels.
constexpr int kIconSize = 32;

}  // namespace

CAnalysisDlg::CAnalysisDlg() : CDialog(AnalysisDialogTemplate()) {
    m_hIcon = LoadAppIcon();
}

CAnalysisDlg::~CAnalysisDlg() {
    // Our own OnDestroy must run while this object is still whole.
    DestroyWindow();
}

void CAnalysisDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.Binding(IDC_STOPBITS, m_ctrlStopBits);
    dx.Binding(IDC_PARITY, m_ctrlParity);
    dx.Binding(IDC_FLOWCONTROL, m_ctrlFlowControl);
    dx.Binding(IDC_DATABITS, m_ctrlDataBits);
    dx.Binding(IDC_PORT, m_ctrlPort);
    dx.Binding(IDC_BAUDRATE, m_ctrlBaudRate);
    dx.Binding(IDC_MSCOMM, m_ctrlComm);
    dx.IntegerText(IDC_SENDPERIOD, m_nSendPeriod);
    dx.RangeCheck(m_nSendPeriod, 10, 5000);
    dx.Text(IDC_SENDTEXT, m_strSendText);
    dx.Text(IDC_RECEIVETEXT, m_strReceiveText);
    dx.Text(IDC_FILTERED, m_strFilteredText);
    dx.Text(IDC_EXPECTED, m_strExpectedText);
    dx.CheckBox(IDC_RECEIVEHEX, m_bReceiveHex);
    dx.CheckBox(IDC_SENDHEX, m_bSendHex);
    dx.Text(IDC_RESULT, m_strCompareResult);
}

bool CAnalysisDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (IsEnded()) {
        return true;
    }

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    for (const ListDefaults& defaults : kLists) {
        if (defaults.id == IDC_BAUDRATE && !m_baudRates.empty()) {
            FillBaudRates();
            continue;
        }
        ComboList& list = this->*defaults.list;
        for (const char* entry : defaults.entries) {
            if (entry) {
                list.AddString(entry);
            }
        }
        list.SetCurSel(defaults.selected);
    }

    m_bPortOpen = 0;
    SetDlgItemText(IDC_SENDPERIOD, "500");
    return true;
}

const std::vector<int>& CAnalysisDlg::BaudRates() const {
    return m_baudRates.empty() ? DefaultBaudRates() : m_baudRates;
}

void CAnalysisDlg::FillBaudRates() {
    // In the order given, not sorted: 115200 belongs after 57600.
    int selected = 0;
    for (size_t i = 0; i < m_baudRates.size(); ++i) {
        m_ctrlBaudRate.InsertString(-1, std::to_string(m_baudRates[i]));
        if (m_baudRates[i] == 9600) {
            selected = static_cast<int>(i);
        }
    }
    m_ctrlBaudRate.SetCurSel(selected);
    // Rates beyond the control's own list (230400, 921600) open as a program
    // that opens any rate opens them.
    m_ctrlComm.SetAnyBaudRate(true);
}

bool CAnalysisDlg::OnCommand(int id) {
    return RouteCommand(this, kCommandTable, id);
}

bool CAnalysisDlg::OnControlEvent(int id, int eventNumber) {
    return RouteEvent(this, kEventTable, id, eventNumber);
}

void CAnalysisDlg::OnPaint(QPainter& painter) {
    if (IsIconic()) {
        const QRect rect = GetClientRect();
        // Signed division truncating toward zero, as the icon is centred.
        const int x = (rect.width() - kIconSize + 1) / 2;
        const int y = (rect.height() - kIconSize + 1) / 2;
        m_hIcon.paint(&painter, x, y, kIconSize, kIconSize);
        return;
    }
    CDialog::OnPaint(painter);
}

void CAnalysisDlg::OnDestroy() {
    // No send worker may outlive the window or touch its controls as they go.
    EndSendWorkers();
    CDialog::OnDestroy();
}
