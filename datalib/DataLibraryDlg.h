#pragma once

#include "datalib/DataLibraryFile.h"
#include "platform/dialog/Dialog.h"

// The data library dialog: edits and saves the three expected-receive and the
// three send entries with their memos, and lets the operator choose one entry
// of each kind for the analysis window.
class CDataLibraryDlg : public CDialog, public DataLibraryTexts {
public:
    explicit CDataLibraryDlg(CDialog* owner = nullptr);
    ~CDataLibraryDlg() override;

    // -1 when no button of the group is checked, else its position (0 to 2).
    int m_nExpectedChoice = -1;
    int m_nSendChoice = -1;

    // The chosen entries' texts; empty when nothing is chosen.
    std::string ChosenExpected() const;
    std::string ChosenSend() const;

    // Handlers, routed by the command table.
    void OnSaveExpected1();
    void OnSaveExpected2();
    void OnSaveExpected3();
    void OnSaveSend1();
    void OnSaveSend2();
    void OnSaveSend3();
    void OnSaveData();

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    // Enter in a field: the same as "保存数据".
    void OnOK() override;

private:
    void SaveEntry(const char* section, const std::string& memo, const std::string& data);

    static const CommandEntry<CDataLibraryDlg> kCommandTable[7];
};
