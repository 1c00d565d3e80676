#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

#include "platform/dialog/ComboList.h"
#include "platform/dialog/DataExchange.h"
#include "platform/dialog/Dialog.h"
#include "platform/dialog/DropDownPlace.h"
#include "platform/dialog/HostedControl.h"

namespace {

enum { ID_NAME = 10, ID_COUNT, ID_GO, ID_LIST, ID_A1, ID_A2, ID_B1, ID_B2, ID_B3, ID_SITE };

const DialogTemplate& TestTemplate() {
    static const DialogTemplate tmpl{
        500,
        "测试",
        200,
        120,
        "宋体",
        9,
        {
            TESSALINE_STATIC(Label, "名称", 5, 5, 30, 10),
            ControlTemplate{ID_NAME, "ID_NAME", ControlKind::Edit, "", 40, 5, 100, 12},
            ControlTemplate{ID_COUNT, "ID_COUNT", ControlKind::Edit, "", 40, 20, 40, 12},
            ControlTemplate{ID_GO, "ID_GO", ControlKind::PushButton, "Go", 90, 20, 30, 12},
            ControlTemplate{ID_LIST, "ID_LIST", ControlKind::DropDownList, "", 40, 35, 60, 50},
            ControlTemplate{ID_A1, "ID_A1", ControlKind::RadioButton, "a1", 5, 60, 20, 10,
                            kStartsGroup},
            ControlTemplate{ID_A2, "ID_A2", ControlKind::RadioButton, "a2", 5, 72, 20, 10},
            ControlTemplate{ID_B1, "ID_B1", ControlKind::RadioButton, "b1", 50, 60, 20, 10,
                            kStartsGroup},
            ControlTemplate{ID_B2, "ID_B2", ControlKind::RadioButton, "b2", 50, 72, 20, 10},
            ControlTemplate{ID_B3, "ID_B3", ControlKind::RadioButton, "b3", 50, 84, 20, 10},
            TESSALINE_STATIC(GroupBox, "框", 0, 0, 200, 120),
        },
    };
    return tmpl;
}

class TestDlg : public CDialog {
public:
    TestDlg() : CDialog(TestTemplate()) {}
    ~TestDlg() override { DestroyWindow(); }

    std::string name;
    int count = 0;
    int a = -1;
    int b = -1;
    ComboList list;
    int goClicks = 0;

    void OnGo() { ++goClicks; }

protected:
    void DoDataExchange(CDataExchange& dx) override {
        dx.Binding(ID_LIST, list);
        dx.IntegerText(ID_COUNT, count);
        dx.RangeCheck(count, 1, 9);
        dx.Text(ID_NAME, name);
        dx.RadioGroup(ID_A1, a);
        dx.RadioGroup(ID_B1, b);
    }
    bool OnCommand(int id) override { return RouteCommand(this, kCommands, id); }

private:
    static const CommandEntry<TestDlg> kCommands[1];
};

const CDialog::CommandEntry<TestDlg> TestDlg::kCommands[1] = {{ID_GO, &TestDlg::OnGo}};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook([this](const MessageRecord& r) {
            messages.push_back(r);
            if (onMessage)
                onMessage();
        });
        ASSERT_TRUE(dlg.Create());
        dlg.window()->show();
    }
    void TearDown() override { SetMessageBoxHook({}); }

    TestDlg dlg;
    std::vector<MessageRecord> messages;
    std::function<void()> onMessage;
};

TEST_F(DialogTest, ListsKeepTheirEntriesSortedIgnoringCase) {
    EXPECT_EQ(dlg.list.GetCurSel(), -1) << "a new list has no selection";
    for (const char* s : {"beta", "Alpha", "gamma", "ALPHA2", "Beta0"}) {
        dlg.list.AddString(s);
    }
    EXPECT_EQ(dlg.list.GetCurSel(), -1) << "adding entries selects none";
    std::vector<std::string> entries;
    for (int i = 0; i < dlg.list.GetCount(); ++i)
        entries.push_back(dlg.list.GetLBText(i));
    EXPECT_EQ(entries, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "Beta0", "gamma"}));
    EXPECT_EQ(dlg.list.SetCurSel(2), 2);
    EXPECT_EQ(dlg.list.GetCurSel(), 2);
    EXPECT_EQ(dlg.list.SetCurSel(7), -1);
    EXPECT_EQ(dlg.list.GetCurSel(), -1);

    // Assistive technology selects an entry in the closed list.
    auto* box = qobject_cast<QComboBox*>(dlg.GetDlgItem(ID_LIST));
    box->view()->selectionModel()->select(box->model()->index(3, 0),
                                          QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(dlg.list.GetCurSel(), 3);
}

// Any change the operator makes to a list's text field leaves the list without
// a selection, the field showing what was typed, even when the text is an
// entry's; choosing an entry selects it again.
TEST_F(DialogTest, ChangingAListsTextLeavesItWithoutASelection) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.window()))
        << "focus moves only in an active window";
    for (const char* s : {"alpha", "beta", "gamma"}) {
        dlg.list.AddString(s);
    }
    auto* box = qobject_cast<QComboBox*>(dlg.GetDlgItem(ID_LIST));
    QLineEdit* field = box->lineEdit();
    auto fieldAccessible = [&] { return QAccessible::queryAccessibleInterface(field); };
    struct Change {
        const char* name;
        std::function<void()> make;
        const char* shown;
    };
    const Change changes[] = {
        {"typed", [&] { QTest::keyClicks(field, "x"); }, "betax"},
        {"typed over all of it",
         [&] {
             field->selectAll();
             QTest::keyClicks(field, "zeta");
         },
         "zeta"},
        {"an entry's text typed, then the focus moved",
         [&] {
             field->selectAll();
             QTest::keyClicks(field, "gamma");
             dlg.GetDlgItem(ID_NAME)->setFocus();
         },
         "gamma"},
        {"the same letter typed over itself",
         [&] {
             field->setSelection(3, 1);
             QTest::keyClicks(field, "a");
         },
         "beta"},
        {"a letter deleted", [&] { QTest::keyClick(field, Qt::Key_Backspace); }, "bet"},
        {"set through assistive technology",
         [&] { fieldAccessible()->editableTextInterface()->replaceText(0, 4, "alpha"); }, "alpha"},
        {"inserted through assistive technology",
         [&] { fieldAccessible()->editableTextInterface()->insertText(0, "y"); }, "ybeta"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        dlg.list.SetCurSel(1);
        field->setFocus();
        field->end(false);
        c.make();
        EXPECT_EQ(dlg.list.GetCurSel(), -1);
        EXPECT_EQ(field->text(), c.shown);
        EXPECT_TRUE(box->view()->selectionModel()->selectedRows().isEmpty());
        // Leaving the field does not pick an entry by its text.
        dlg.GetDlgItem(ID_COUNT)->setFocus();
        EXPECT_EQ(dlg.list.GetCurSel(), -1);
        EXPECT_EQ(dlg.GetDlgItemText(ID_LIST), c.shown);
    }
}

TEST_F(DialogTest, ChoosingAnEntrySelectsItAgain) {
    for (const char* s : {"alpha", "beta", "gamma"}) {
        dlg.list.AddString(s);
    }
    auto* box = qobject_cast<QComboBox*>(dlg.GetDlgItem(ID_LIST));
    QLineEdit* field = box->lineEdit();
    QAbstractItemView* view = box->view();
    struct Choice {
        const char* name;
        std::function<void()> make;
        int selected;
    };
    const Choice choices[] = {
        {"the entry selected before, from the dropped list",
         [&] {
             box->showPopup();
             view->setCurrentIndex(box->model()->index(1, 0));
             QTest::keyClick(view, Qt::Key_Return);
         },
         1},
        {"another entry, from the dropped list",
         [&] {
             box->showPopup();
             view->setCurrentIndex(box->model()->index(2, 0));
             QTest::keyClick(view, Qt::Key_Return);
         },
         2},
        {"the arrow key", [&] { QTest::keyClick(field, Qt::Key_Down); }, 0},
        {"the entry selected before, by assistive technology",
         [&] {
             view->selectionModel()->select(box->model()->index(1, 0), QItemSelectionModel::Select);
         },
         1},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.name);
        dlg.list.SetCurSel(1);
        field->setFocus();
        QTest::keyClicks(field, "x");
        ASSERT_EQ(dlg.list.GetCurSel(), -1);
        c.make();
        EXPECT_EQ(dlg.list.GetCurSel(), c.selected);
        EXPECT_EQ(field->text(), box->itemText(c.selected));
    }
}

TEST(DropDownList, ShowsWhatFitsBelowTheClosedFieldAndAtLeastOneEntry) {
    struct Case {
        int templateHeight, closedHeight, entryHeight, entries;
    };
    const Case cases[] = {
        {68, 22, 12, 3}, {70, 22, 12, 4}, {69, 22, 12, 3}, {40, 22, 12, 1},
        {22, 22, 12, 1}, {15, 22, 12, 1}, {300, 22, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EntriesWhenDropped(c.templateHeight, c.closedHeight, c.entryHeight), c.entries)
            << c.templateHeight << " " << c.closedHeight << " " << c.entryHeight;
    }
}

TEST_F(DialogTest, RadioGroupsAreSeparate) {
    dlg.a = 1;
    dlg.b = 2;
    dlg.count = 5;
    ASSERT_TRUE(dlg.UpdateData(false));
    auto radio = [&](int id) { return qobject_cast<QRadioButton*>(dlg.GetDlgItem(id)); };
    EXPECT_TRUE(radio(ID_A2)->isChecked());
    EXPECT_TRUE(radio(ID_B3)->isChecked());

    QTest::mouseClick(radio(ID_B1), Qt::LeftButton);
    EXPECT_TRUE(radio(ID_A2)->isChecked()) << "a click in one group leaves the other";
    EXPECT_FALSE(radio(ID_B3)->isChecked());
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.a, 1);
    EXPECT_EQ(dlg.b, 0);

    dlg.a = -1;
    dlg.b = -1;
    ASSERT_TRUE(dlg.UpdateData(false));
    for (int id : {ID_A1, ID_A2, ID_B1, ID_B2, ID_B3}) {
        EXPECT_FALSE(radio(id)->isChecked()) << id;
    }
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.a, -1);
    EXPECT_EQ(dlg.b, -1);
}

TEST_F(DialogTest, EnterOnAFocusedButtonClicksIt) {
    auto* go = qobject_cast<QPushButton*>(dlg.GetDlgItem(ID_GO));
    go->setFocus();
    QTest::keyClick(go, Qt::Key_Return);
    EXPECT_EQ(dlg.goClicks, 1);
    EXPECT_FALSE(dlg.IsEnded());
    EXPECT_FALSE(go->isDefault());
}

TEST_F(DialogTest, ClicksDuringAnExchangeAreIgnored) {
    // The range message is up; a click on Go meanwhile must not run its handler.
    onMessage = [&] {
        QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(ID_GO)), Qt::LeftButton);
    };
    dlg.SetDlgItemText(ID_COUNT, "42");
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(dlg.goClicks, 0);
    EXPECT_EQ(dlg.count, 42);

    onMessage = nullptr;
    QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(ID_GO)), Qt::LeftButton);
    EXPECT_EQ(dlg.goClicks, 1) << "clicks come through again once the exchange ended";
}

TEST_F(DialogTest, TextsKeepTheirBytesThroughTheControls) {
    const std::string texts[] = {"a\r\nb", std::string("\x81\x30\xFF"), "tab\there", ""};
    for (const std::string& t : texts) {
        dlg.name = t;
        dlg.count = 1;
        ASSERT_TRUE(dlg.UpdateData(false));
        dlg.name = "changed";
        ASSERT_TRUE(dlg.UpdateData(true));
        EXPECT_EQ(dlg.name, t);
    }
    // Once the operator edits the field, the field's own text counts.
    auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(ID_NAME));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "!");
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.name, "!");
}

TEST_F(DialogTest, FieldsTakeTheirLabelsName) {
    EXPECT_EQ(dlg.GetDlgItem(ID_NAME)->accessibleName(), QString::fromUtf8("名称"));
    EXPECT_TRUE(dlg.GetDlgItem(ID_COUNT)->accessibleName().isEmpty());
    EXPECT_EQ(dlg.GetDlgItem(ID_COUNT)->objectName(), "ID_COUNT");
}

TEST_F(DialogTest, GroupBoxesDoNotSwallowClicks) {
    // The box is listed last, so it was created on top of everything.
    auto* go = qobject_cast<QPushButton*>(dlg.GetDlgItem(ID_GO));
    QWidget* hit = dlg.window()->childAt(go->geometry().center());
    EXPECT_EQ(hit, go);
}

}  // namespace
