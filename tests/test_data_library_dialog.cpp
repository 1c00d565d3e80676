#include <sys/stat.h>
#include <QAccessible>
#include <QApplication>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "datalib/DataLibraryDlg.h"
#include "res/Templates.h"
#include "support/AsNobody.h"
#include "support/TempDir.h"
#include "support/WindowFixture.h"

namespace {

const std::string kSaved = gbk::Text("保存成功！");
const std::string kSaveFailed = gbk::Text("保存失败！");
const QString kDataEmpty = QString::fromUtf8("数据空");

// The data library dialog while it runs modally, found by its controls' names.
class LibraryDriver {
public:
    explicit LibraryDriver(QDialog* dialog) : dialog_(dialog) {}

    QDialog* dialog() const { return dialog_; }
    template <class W>
    W* Item(const char* idName) const {
        W* w = dialog_->findChild<W*>(idName);
        EXPECT_NE(w, nullptr) << idName;
        return w;
    }
    QString Shown(const char* idName) const { return Item<QLineEdit>(idName)->text(); }
    void Type(const char* idName, const QString& text) {
        QLineEdit* e = Item<QLineEdit>(idName);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void Click(const char* idName) {
        QTest::mouseClick(Item<QAbstractButton>(idName), Qt::LeftButton);
    }
    bool Checked(const char* idName) const { return Item<QRadioButton>(idName)->isChecked(); }
    void Escape() { QTest::keyClick(dialog_, Qt::Key_Escape); }

private:
    QDialog* dialog_;
};

class DataLibrary : public WindowFixture {
protected:
    void SetUp() override {
        temp_ = std::make_unique<CurrentTempDir>();
        WindowFixture::SetUp();
    }
    void TearDown() override {
        WindowFixture::TearDown();
        temp_.reset();
    }

    // Clicks "收发数据库设置" and acts on the dialog once it shows; the
    // action is expected to end it.
    void OpenLibrary(const std::function<void(LibraryDriver&)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            LibraryDriver driver(dialog);
            act(driver);
            acted = true;
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog->close();
            }
        });
        Click(IDC_DATALIB);
        EXPECT_TRUE(acted);
    }

    void SetWindowTexts(const std::string& send, const std::string& expected) {
        dlg->m_strSendText = send;
        dlg->m_strExpectedText = expected;
        dlg->SetDlgItemText(IDC_SENDTEXT, send);
        dlg->SetDlgItemText(IDC_EXPECTED, expected);
    }
    void ExpectWindowTexts(const std::string& send, const std::string& expected) {
        EXPECT_EQ(dlg->m_strSendText.Get(), send);
        EXPECT_EQ(dlg->m_strExpectedText, expected);
        EXPECT_EQ(Shown(IDC_SENDTEXT), gbk::ToQt(send));
        EXPECT_EQ(Shown(IDC_EXPECTED), gbk::ToQt(expected));
    }

    std::unique_ptr<CurrentTempDir> temp_;
};

TEST_F(DataLibrary, EndingWithNothingChosenEmptiesBothTexts) {
    temp_files::WriteFile("Quorvix.ini", kFullLibrary);
    enum Ending { SaveData, Escape, CloseBox };
    for (Ending ending : {SaveData, Escape, CloseBox}) {
        SCOPED_TRACE(ending);
        SetWindowTexts("old send", "old expected");
        OpenLibrary([&](LibraryDriver& d) {
            if (ending == SaveData) {
                d.Click("IDC_SAVEDATA");
                return;
            }
            // Checked but never read: no save click refreshed the members.
            d.Click("IDC_EXPECTEDCHOICE2");
            d.Click("IDC_SENDCHOICE3");
            if (ending == Escape) {
                d.Escape();
            } else {
                d.dialog()->close();
            }
        });
        ExpectWindowTexts("", "");
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataLibrary, EscapeAppliesTheChoiceAsItStoodAtTheLastSave) {
    temp_files::WriteFile("Quorvix.ini", kFullLibrary);
    SetWindowTexts("old send", "old expected");
    OpenLibrary([](LibraryDriver& d) {
        d.Click("IDC_SENDCHOICE2");
        d.Type("IDC_SEND2", "at the save");
        d.Click("IDC_SAVEEXPECTED1");
        d.Type("IDC_SEND2", "after the save");
        d.Click("IDC_EXPECTEDCHOICE1");
        d.Escape();
    });
    ExpectWindowTexts("at the save", "");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kSaved});
    EXPECT_EQ(temp_files::ReadFile("Quorvix.ini"), kFullLibrary)
        << "expected entry 1 was unchanged";
}

TEST_F(DataLibrary, AnUnsavedEditReachesTheWindowButNotTheFile) {
    temp_files::WriteFile("Quorvix.ini", kFullLibrary);
    for (bool enter : {false, true}) {
        SCOPED_TRACE(enter ? "Enter in a field" : "保存数据");
        OpenLibrary([&](LibraryDriver& d) {
            d.Click("IDC_EXPECTEDCHOICE3");
            d.Click("IDC_SENDCHOICE1");
            d.Type("IDC_EXPECTED3", "edited expected");
            d.Type("IDC_SEND1", "edited send");
            if (enter) {
                QTest::keyClick(d.Item<QLineEdit>("IDC_SEND1"), Qt::Key_Return);
            } else {
                d.Click("IDC_SAVEDATA");
            }
        });
        ExpectWindowTexts("edited send", "edited expected");
    }
    EXPECT_EQ(temp_files::ReadFile("Quorvix.ini"), kFullLibrary);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataLibrary, EachSaveButtonWritesItsOwnRowOnce) {
    struct Row {
        const char* button;
        const char* data;
        const char* memo;
        const char* oldLines;
    };
    const Row rows[] = {
        {"IDC_SAVEEXPECTED1", "IDC_EXPECTED1", "IDC_EXPECTEDMEMO1", "Memo=em1\r\nData=e1"},
        {"IDC_SAVEEXPECTED2", "IDC_EXPECTED2", "IDC_EXPECTEDMEMO2", "Memo=em2\r\nData=e2"},
        {"IDC_SAVEEXPECTED3", "IDC_EXPECTED3", "IDC_EXPECTEDMEMO3", "Memo=em3\r\nData=e3"},
        {"IDC_SAVESEND1", "IDC_SEND1", "IDC_SENDMEMO1", "Memo=sm1\r\nData=s1"},
        {"IDC_SAVESEND2", "IDC_SEND2", "IDC_SENDMEMO2", "Memo=sm2\r\nData=s2"},
        {"IDC_SAVESEND3", "IDC_SEND3", "IDC_SENDMEMO3", "Memo=sm3\r\nData=s3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        temp_files::WriteFile("Quorvix.ini", kFullLibrary);
        messages.clear();
        OpenLibrary([&](LibraryDriver& d) {
            for (const Row& any : rows) {
                d.Type(any.data, QString("new ") + any.data);
                d.Type(any.memo, "new memo");
            }
            d.Click(row.button);
            d.Escape();
        });
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{kSaved});
        std::string expected = kFullLibrary;
        expected.replace(expected.find(row.oldLines), std::string(row.oldLines).size(),
                         std::string("Memo=new memo\r\nData=new ") + row.data);
        EXPECT_EQ(temp_files::ReadFile("Quorvix.ini"), expected);
    }
}

TEST_F(DataLibrary, WithoutAFileEveryFieldShowsDataEmpty) {
    OpenLibrary([](LibraryDriver& d) {
        for (const ControlTemplate& item : DataLibraryDialogTemplate().controls) {
            if (item.kind == ControlKind::Edit) {
                EXPECT_EQ(d.Shown(item.idName), kDataEmpty) << item.idName;
            }
        }
        d.Click("IDC_EXPECTEDCHOICE1");
        d.Click("IDC_SENDCHOICE3");
        d.Click("IDC_SAVEDATA");
    });
    ExpectWindowTexts(gbk::Text("数据空"), gbk::Text("数据空"));
    EXPECT_EQ(temp_files::Entries("."), std::vector<std::string>{}) << "nothing saved";
}

TEST_F(DataLibrary, ReopeningShowsTheFileAndNoChoice) {
    OpenLibrary([](LibraryDriver& d) {
        d.Click("IDC_EXPECTEDCHOICE2");
        d.Click("IDC_SENDCHOICE2");
        d.Type("IDC_SEND2", "kept");
        d.Click("IDC_SAVESEND2");
        d.Type("IDC_SEND2", "not kept");
        d.Click("IDC_SAVEDATA");
    });
    OpenLibrary([](LibraryDriver& d) {
        EXPECT_EQ(d.Shown("IDC_SEND2"), "kept");
        EXPECT_EQ(d.Shown("IDC_SEND1"), kDataEmpty);
        for (const char* radio :
             {"IDC_EXPECTEDCHOICE1", "IDC_EXPECTEDCHOICE2", "IDC_EXPECTEDCHOICE3",
              "IDC_SENDCHOICE1", "IDC_SENDCHOICE2", "IDC_SENDCHOICE3"}) {
            EXPECT_FALSE(d.Checked(radio)) << radio;
        }
        EXPECT_EQ(d.dialog()->focusWidget(), d.Item<QLineEdit>("IDC_EXPECTED1"));
        d.Escape();
    });
    ExpectWindowTexts("", "");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kSaved});
}

TEST_F(DataLibrary, AFailedSaveSaysSoWithTheReason) {
    if (RanAgainAsNobody()) {
        return;
    }
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* reason;
    };
    const Case cases[] = {
        {"a folder in its place", [] { ASSERT_EQ(mkdir("Quorvix.ini", 0755), 0); },
         "Quorvix.ini: Is a directory"},
        {"a read-only file",
         [] {
             temp_files::WriteFile("Quorvix.ini", kFullLibrary);
             ASSERT_EQ(chmod("Quorvix.ini", 0444), 0);
         },
         "Quorvix.ini: Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all("Quorvix.ini");
        messages.clear();
        c.make();
        OpenLibrary([](LibraryDriver& d) {
            d.Type("IDC_SEND1", "new");
            d.Click("IDC_SAVESEND1");
            d.Escape();
        });
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(messages[0].text.rfind(kSaveFailed, 0), 0u) << messages[0].text;
        EXPECT_NE(messages[0].text.find(c.reason), std::string::npos) << messages[0].text;
        EXPECT_EQ(temp_files::Entries("."), std::vector<std::string>{"Quorvix.ini"});
        if (std::filesystem::is_regular_file("Quorvix.ini")) {
            EXPECT_EQ(temp_files::ReadFile("Quorvix.ini"), kFullLibrary);
        }
    }
}

// The dialog on its own, created but not run.
class DataLibraryDialog : public ::testing::Test {
protected:
    void SetUp() override {
        temp_ = std::make_unique<CurrentTempDir>();
        ASSERT_TRUE(dlg.Create());
        dlg.window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.window()));
    }
    void TearDown() override {
        dlg.DestroyWindow();
        temp_.reset();
    }
    std::unique_ptr<CurrentTempDir> temp_;
    CDataLibraryDlg dlg;
};

TEST_F(DataLibraryDialog, LayoutTabOrderAndRadioGroups) {
    const DialogBaseUnits& u = dlg.BaseUnits();
    EXPECT_EQ(dlg.window()->windowTitle(), QString::fromUtf8("数据分析设置"));
    EXPECT_EQ(dlg.window()->size(), QSize(u.ToPixelsX(428), u.ToPixelsY(204)));
    for (const ControlTemplate& item : DataLibraryDialogTemplate().controls) {
        if (item.id != 0) {
            EXPECT_EQ(dlg.GetDlgItem(item.id)->geometry(),
                      u.ToPixels(item.x, item.y, item.cx, item.cy))
                << item.idName;
        }
    }

    // Radio buttons are no tab stops; everything else follows the template.
    const int order[] = {IDC_EXPECTED2,     IDC_EXPECTED3,     IDC_SEND1,         IDC_SEND2,
                         IDC_SEND3,         IDC_SAVESEND1,     IDC_SENDMEMO1,     IDC_SENDMEMO2,
                         IDC_SENDMEMO3,     IDC_SAVESEND2,     IDC_SAVESEND3,     IDC_EXPECTEDMEMO1,
                         IDC_EXPECTEDMEMO2, IDC_EXPECTEDMEMO3, IDC_SAVEEXPECTED1, IDC_SAVEEXPECTED2,
                         IDC_SAVEEXPECTED3, IDC_SAVEDATA,      IDC_EXPECTED1};
    EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(IDC_EXPECTED1));
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(id)) << "after tab, " << id;
    }

    // Checking a button clears the others of its group only.
    const auto click = [&](int id) {
        QTest::mouseClick(static_cast<QAbstractButton*>(dlg.GetDlgItem(id)), Qt::LeftButton);
    };
    click(IDC_EXPECTEDCHOICE2);
    click(IDC_SENDCHOICE1);
    click(IDC_EXPECTEDCHOICE3);
    dlg.UpdateData(true);
    EXPECT_EQ(dlg.m_nExpectedChoice, 2);
    EXPECT_EQ(dlg.m_nSendChoice, 0);
}

TEST_F(DataLibraryDialog, ControlsAreNamedForAssistiveTechnology) {
    for (const ControlTemplate& item : DataLibraryDialogTemplate().controls) {
        if (item.id == 0) {
            continue;
        }
        QWidget* w = dlg.GetDlgItem(item.id);
        EXPECT_EQ(w->accessibleDescription(), item.idName);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Description), item.idName);
        const bool memo = std::string(item.idName).find("MEMO") != std::string::npos;
        if (memo) {
            EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8("备注")) << item.idName;
        } else if (item.kind == ControlKind::Edit) {
            // The entry fields have a radio button, not a label, on their left.
            EXPECT_TRUE(w->accessibleName().isEmpty()) << item.idName;
        }
    }
}

}  // namespace
