#include "datalib/DataLibraryDlg.h"

#include "platform/dialog/DataExchange.h"
#include "platform/text/Gbk.h"
#include "res/Templates.h"
#include "res/resource.h"

const CDialog::CommandEntry<CDataLibraryDlg> CDataLibraryDlg::kCommandTable[7] = {
    {IDC_SAVEEXPECTED1, &CDataLibraryDlg::OnSaveExpected1},
    {IDC_SAVEEXPECTED2, &CDataLibraryDlg::OnSaveExpected2},
    {IDC_SAVEEXPECTED3, &CDataLibraryDlg::OnSaveExpected3},
    {IDC_SAVESEND1, &CDataLibraryDlg::OnSaveSend1},
    {IDC_SAVESEND2, &CDataLibraryDlg::OnSaveSend2},
    {IDC_SAVESEND3, &CDataLibraryDlg::OnSaveSend3},
    {IDC_SAVEDATA, &CDataLibraryDlg::OnSaveData},
};

namespace {

const std::string& Chosen(int choice, const std::string& first, const std::string& second,
                          const std::string& third) {
    static const std::string none;
    switch (choice) {
        case 0:
            return first;
        case 1:
            return second;
        case 2:
            return third;
        default:
            return none;
    }
}

}  // namespace

CDataLibraryDlg::CDataLibraryDlg(CDialog* owner) : CDialog(DataLibraryDialogTemplate(), owner) {}

CDataLibraryDlg::~CDataLibraryDlg() {
    DestroyWindow();
}

std::string CDataLibraryDlg::ChosenExpected() const {
    return Chosen(m_nExpectedChoice, m_strExpected1, m_strExpected2, m_strExpected3);
}

std::string CDataLibraryDlg::ChosenSend() const {
    return Chosen(m_nSendChoice, m_strSend1, m_strSend2, m_strSend3);
}

void CDataLibraryDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.Text(IDC_EXPECTED1, m_strExpected1);
    dx.Text(IDC_EXPECTED2, m_strExpected2);
    dx.Text(IDC_EXPECTED3, m_strExpected3);
    dx.Text(IDC_EXPECTEDMEMO1, m_strExpectedMemo1);
    dx.Text(IDC_EXPECTEDMEMO2, m_strExpectedMemo2);
    dx.Text(IDC_EXPECTEDMEMO3, m_strExpectedMemo3);
    dx.Text(IDC_SEND1, m_strSend1);
    dx.Text(IDC_SEND2, m_strSend2);
    dx.Text(IDC_SEND3, m_strSend3);
    dx.Text(IDC_SENDMEMO1, m_strSendMemo1);
    dx.Text(IDC_SENDMEMO2, m_strSendMemo2);
    dx.Text(IDC_SENDMEMO3, m_strSendMemo3);
    dx.RadioGroup(IDC_EXPECTEDCHOICE1, m_nExpectedChoice);
    dx.RadioGroup(IDC_SENDCHOICE1, m_nSendChoice);
}

bool CDataLibraryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (IsEnded()) {
        return true;
    }
    LoadDataLibrary(*this);
    UpdateData(false);
    // The focus goes to the first field.
    return true;
}

bool CDataLibraryDlg::OnCommand(int id) {
    return RouteCommand(this, kCommandTable, id);
}

void CDataLibraryDlg::OnOK() {
    OnSaveData();
}

void CDataLibraryDlg::SaveEntry(const char* section, const std::string& memo,
                                const std::string& data) {
    const ProfileWriteResult result = SaveDataLibraryEntry(section, memo, data);
    if (result) {
        MessageBox(gbk::Text("保存成功！"));
    } else {
        MessageBox(gbk::Text("保存失败！") + "\n" + result.reason);
    }
}

void CDataLibraryDlg::OnSaveExpected1() {
    UpdateData(true);
    SaveEntry(kExpectedSection1, m_strExpectedMemo1, m_strExpected1);
}

void CDataLibraryDlg::OnSaveExpected2() {
    UpdateData(true);
    SaveEntry(kExpectedSection2, m_strExpectedMemo2, m_strExpected2);
}

void CDataLibraryDlg::OnSaveExpected3() {
    UpdateData(true);
    SaveEntry(kExpectedSection3, m_strExpectedMemo3, m_strExpected3);
}

void CDataLibraryDlg::OnSaveSend1() {
    UpdateData(true);
    SaveEntry(kSendSection1, m_strSendMemo1, m_strSend1);
}

void CDataLibraryDlg::OnSaveSend2() {
    UpdateData(true);
    SaveEntry(kSendSection2, m_strSendMemo2, m_strSend2);
}

void CDataLibraryDlg::OnSaveSend3() {
    UpdateData(true);
    SaveEntry(kSendSection3, m_strSendMemo3, m_strSend3);
}

void CDataLibraryDlg::OnSaveData() {
    // A text refresh cannot fail, so the dialog always ends here.
    UpdateData(true);
    EndDialog(IDOK);
}
