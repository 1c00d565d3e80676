#include <QAbstractItemView>
#include <QAccessible>
#include <QScrollBar>
#include <QTimer>

#include "platform/dialog/HostedControl.h"
#include "res/Templates.h"
#include "serial/SerialControlClass.h"
#include "support/WindowFixture.h"

namespace {

const std::string kNotInteger = gbk::Text("请键入一个整数。");
const std::string kOutOfRange = gbk::Text("“请填入一个在10和5000之间的整数。”");

using AnalysisWindow = WindowFixture;

TEST_F(AnalysisWindow, StartsWithTheDefaults) {
    EXPECT_EQ(dlg->window()->windowTitle(), "Tessaline 2.0");
    struct ListState {
        int id;
        QStringList entries;
        QString shown;
    };
    const ListState lists[] = {
        {IDC_PORT, {"COM1", "COM2", "COM3", "COM4"}, "COM2"},
        {IDC_BAUDRATE, {"1200", "2400", "4800", "9600"}, "9600"},
        {IDC_PARITY, {"EVEN", "NONE", "ODD"}, "NONE"},
        {IDC_DATABITS, {"4", "5", "6", "7", "8"}, "8"},
        {IDC_STOPBITS, {"1", "1.5", "2"}, "1"},
        {IDC_FLOWCONTROL, {"NO", "YES"}, "NO"},
    };
    for (const ListState& l : lists) {
        QComboBox* box = List(l.id);
        QStringList entries;
        for (int i = 0; i < box->count(); ++i)
            entries << box->itemText(i);
        EXPECT_EQ(entries, l.entries) << l.id;
        EXPECT_EQ(box->currentText(), l.shown) << l.id;
    }
    EXPECT_EQ(Shown(IDC_SENDPERIOD), "500");
    EXPECT_EQ(dlg->m_nSendPeriod.load(), 0) << "the period member waits for the first refresh";
    for (int id : {IDC_SENDTEXT, IDC_RECEIVETEXT, IDC_FILTERED, IDC_EXPECTED, IDC_RESULT}) {
        EXPECT_TRUE(Shown(id).isEmpty()) << id;
    }
    EXPECT_FALSE(Check(IDC_RECEIVEHEX)->isChecked());
    EXPECT_FALSE(Check(IDC_SENDHEX)->isChecked());
    EXPECT_EQ(dlg->m_bPortOpen, 0);
    EXPECT_TRUE(dlg->m_ctrlComm.IsBound());
    EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
    EXPECT_TRUE(messages.empty());
}

// What a refresh does with each kind of period text.
TEST_F(AnalysisWindow, RefreshChecksThePeriod) {
    struct Case {
        QString period;
        bool ok;
        std::string message;  // empty: none
        int periodAfter;      // -1: unchanged from before
    };
    const Case cases[] = {
        {"500", true, "", 500},
        {" 42 ", true, "", 42},
        {"10", true, "", 10},
        {"5000", true, "", 5000},
        {"abc", false, kNotInteger, -1},
        {"", false, kNotInteger, -1},
        {"+0", false, kNotInteger, -1},
        {"-0", false, kNotInteger, -1},
        {"12ab", false, kNotInteger, -1},
        {"9", false, kOutOfRange, 9},
        {"5001", false, kOutOfRange, 5001},
        {"0", false, kOutOfRange, 0},
        {"99999999999", false, kOutOfRange, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period.toStdString());
        // Members as they stood before, and what the fields hold now.
        dlg->m_nSendPeriod = 77;
        dlg->m_strSendText = "old send";
        dlg->m_strExpectedText = "old expected";
        dlg->m_bReceiveHex = 0;
        dlg->m_strCompareResult = "GOOD";
        messages.clear();
        Type(IDC_SENDPERIOD, c.period);
        Type(IDC_SENDTEXT, "new send");
        Type(IDC_EXPECTED, "new expected");
        Check(IDC_RECEIVEHEX)->setChecked(true);
        dlg->SetDlgItemText(IDC_RESULT, "");

        EXPECT_EQ(dlg->RefreshFromControls(), c.ok);
        EXPECT_EQ(dlg->m_nSendPeriod.load(), c.periodAfter < 0 ? 77 : c.periodAfter);
        if (c.ok) {
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(dlg->m_strSendText.Get(), "new send");
            EXPECT_EQ(dlg->m_strExpectedText, "new expected");
            EXPECT_EQ(dlg->m_bReceiveHex, 1);
            EXPECT_EQ(dlg->m_strCompareResult, "");
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, c.message);
            EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
            // The failure step: focus in the period field, all of it selected,
            // and nothing after the period exchanged.
            QLineEdit* period = Edit(IDC_SENDPERIOD);
            EXPECT_TRUE(period->hasFocus());
            EXPECT_EQ(period->selectedText(), period->text());
            EXPECT_EQ(dlg->m_strSendText.Get(), "old send");
            EXPECT_EQ(dlg->m_strExpectedText, "old expected");
            EXPECT_EQ(dlg->m_bReceiveHex, 0);
            EXPECT_EQ(dlg->m_strCompareResult, "GOOD");
        }
    }
}

TEST_F(AnalysisWindow, MessageBoxesCarryTheProgramName) {
    Type(IDC_SENDPERIOD, "abc");
    dlg->RefreshFromControls();
    ASSERT_EQ(messages.size(), 1u);
    const std::string program =
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
    EXPECT_EQ(messages[0].title, program);
}

TEST_F(AnalysisWindow, WriteShowsTheMembers) {
    dlg->m_bReceiveHex = 5;
    dlg->m_bSendHex = 1;
    dlg->m_strSendText = "41 42";
    dlg->m_strReceiveText = "line1\r\nline2";
    dlg->m_strExpectedText = gbk::Text("中文");
    ASSERT_TRUE(dlg->WriteToControls());
    EXPECT_EQ(dlg->m_bReceiveHex, 0) << "a check-box member outside 0 to 2 becomes 0";
    EXPECT_FALSE(Check(IDC_RECEIVEHEX)->isChecked());
    EXPECT_TRUE(Check(IDC_SENDHEX)->isChecked());
    EXPECT_EQ(Shown(IDC_SENDPERIOD), "0") << "the member is still 0 before any refresh";
    EXPECT_EQ(Shown(IDC_SENDTEXT), "41 42");
    EXPECT_EQ(Shown(IDC_EXPECTED), QString::fromUtf8("中文"));

    // A refresh gives back exactly the bytes that were written.
    Type(IDC_SENDPERIOD, "500");
    ASSERT_TRUE(dlg->RefreshFromControls());
    EXPECT_EQ(dlg->m_strReceiveText, "line1\r\nline2");
    EXPECT_EQ(dlg->m_strExpectedText, gbk::Text("中文"));
}

TEST_F(AnalysisWindow, EnterInAFieldIsOk) {
    Type(IDC_SENDPERIOD, "abc");
    Edit(IDC_SENDTEXT)->setFocus();
    QTest::keyClick(Edit(IDC_SENDTEXT), Qt::Key_Return);
    EXPECT_FALSE(dlg->IsEnded()) << "an invalid period keeps the window open";
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNotInteger});

    Type(IDC_SENDPERIOD, "500");
    Edit(IDC_SENDTEXT)->setFocus();
    QTest::keyClick(Edit(IDC_SENDTEXT), Qt::Key_Return);
    EXPECT_TRUE(dlg->IsEnded());
    EXPECT_EQ(dlg->Result(), IDOK);
}

// Enter in the receive view is OK; Ctrl+Enter breaks the line where the
// cursor is, replacing a selection, and the window stays.
TEST_F(AnalysisWindow, EnterInTheReceiveViewIsOkCtrlEnterBreaksTheLine) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int selectFrom, selectTo;  // in "abc"
        const char* shown;         // nullptr: the window ended with OK
    };
    const Case cases[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, 3, 3, nullptr},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 1, 1, nullptr},
        {"Shift+Enter", Qt::Key_Return, Qt::ShiftModifier, 1, 1, nullptr},
        {"Ctrl+Enter at the end", Qt::Key_Return, Qt::ControlModifier, 3, 3, "abc\n"},
        {"Ctrl+Enter at the start", Qt::Key_Return, Qt::ControlModifier, 0, 0, "\nabc"},
        {"Ctrl+keypad Enter inside", Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, 1, 1,
         "a\nbc"},
        {"Ctrl+Enter over a selection", Qt::Key_Return, Qt::ControlModifier, 2, 1, "a\nc"},
        {"Ctrl+Shift+Enter", Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier, 3, 3,
         "abc\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenWindow();
        Type(IDC_SENDPERIOD, "500");
        auto* view = Item<QPlainTextEdit>(IDC_RECEIVETEXT);
        view->setPlainText("abc");
        view->setFocus();
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(c.selectFrom);
        cursor.setPosition(c.selectTo, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        QTest::keyClick(view, c.key, c.modifiers);
        if (!c.shown) {
            EXPECT_TRUE(dlg->IsEnded());
            EXPECT_EQ(dlg->Result(), IDOK);
            EXPECT_EQ(view->toPlainText(), "abc");
            continue;
        }
        EXPECT_FALSE(dlg->IsEnded());
        EXPECT_EQ(view->toPlainText(), c.shown);
        QTest::keyClicks(view, "x");
        EXPECT_EQ(view->toPlainText(), QString(c.shown).replace("\n", "\nx"))
            << "the cursor stands after the break";
    }
}

// A typed line break reads back as CR LF, like the received ones around it.
TEST_F(AnalysisWindow, LineBreaksInTheReceiveViewReadBackAsCrLf) {
    dlg->m_strReceiveText = "OK\r\nOK";
    ASSERT_TRUE(dlg->WriteToControls());
    auto* view = Item<QPlainTextEdit>(IDC_RECEIVETEXT);
    view->setFocus();
    view->moveCursor(QTextCursor::End);
    QTest::keyClick(view, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(view, "AT");
    Type(IDC_SENDPERIOD, "500");
    ASSERT_TRUE(dlg->RefreshFromControls());
    EXPECT_EQ(dlg->m_strReceiveText, "OK\r\nOK\r\nAT");
}

TEST_F(AnalysisWindow, EscapeAndTheCloseBoxCancelWithoutARefresh) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "escape");
        dlg = std::make_unique<CAnalysisDlg>();
        ASSERT_TRUE(dlg->Create());
        dlg->window()->show();
        Type(IDC_SENDPERIOD, "abc");
        Type(IDC_SENDTEXT, "typed");
        if (closeBox) {
            dlg->window()->close();
        } else {
            QTest::keyClick(Edit(IDC_SENDTEXT), Qt::Key_Escape);
        }
        EXPECT_TRUE(dlg->IsEnded());
        EXPECT_EQ(dlg->Result(), IDCANCEL);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(dlg->m_strSendText.Get(), "");
    }
}

TEST_F(AnalysisWindow, ModalRunEndsWithTheResult) {
    dlg.reset();
    CAnalysisDlg modal;
    QTimer::singleShot(0, [&] { QTest::keyClick(modal.window(), Qt::Key_Escape); });
    EXPECT_EQ(modal.DoModal(), IDCANCEL);
    EXPECT_FALSE(modal.IsCreated()) << "the window goes when its run ends";
}

TEST_F(AnalysisWindow, WithoutTheSerialControlTheRunEndsAtOnce) {
    dlg.reset();
    UnregisterControlClass(kSerialControlClass);
    CAnalysisDlg modal;
    EXPECT_EQ(modal.DoModal(), -1);
    EXPECT_TRUE(messages.empty());
    RegisterSerialControl();
}

TEST_F(AnalysisWindow, FocusStartsOnOpenAndTabFollowsTheTemplate) {
    EXPECT_EQ(QApplication::focusWidget(), Button(IDC_OPEN));
    const int order[] = {
        IDC_PORT,     IDC_BAUDRATE,   IDC_PARITY,   IDC_DATABITS,   IDC_STOPBITS, IDC_FLOWCONTROL,
        IDC_SENDTEXT, IDC_MANUALSEND, IDC_AUTOSEND, IDC_SENDPERIOD, IDC_STOPSEND, IDC_RECEIVETEXT,
        IDC_CLOSE,    IDC_FILTERED,   IDC_EXPECTED, IDC_RECEIVEHEX, IDC_SENDHEX,  IDC_DATALIB};
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A list's text field has the focus on behalf of its list.
        while (focus && !focus->accessibleDescription().startsWith("IDC_")) {
            focus = focus->parentWidget();
        }
        ASSERT_EQ(focus, dlg->GetDlgItem(id)) << "after tab, expected control " << id;
    }
}

TEST_F(AnalysisWindow, ControlsSitWhereTheTemplatePutsThem) {
    const DialogBaseUnits& u = dlg->BaseUnits();
    EXPECT_EQ(dlg->window()->size(), QSize(u.ToPixelsX(454), u.ToPixelsY(250)));
    for (const ControlTemplate& item : AnalysisDialogTemplate().controls) {
        if (item.id == 0 || item.kind == ControlKind::DropDownList) {
            continue;
        }
        EXPECT_EQ(dlg->GetDlgItem(item.id)->geometry(),
                  u.ToPixels(item.x, item.y, item.cx, item.cy))
            << item.idName;
    }
    EXPECT_EQ(List(IDC_PORT)->geometry().topLeft(), QPoint(u.ToPixelsX(50), u.ToPixelsY(29)));
}

// A list's template height holds the dropped-down part: the dropped list shows
// as many entries as fit below the closed field, and scrolls to the rest.
TEST_F(AnalysisWindow, DroppedListsShowWhatTheirTemplateLeaves) {
    const DialogBaseUnits& u = dlg->BaseUnits();
    for (const ControlTemplate& item : AnalysisDialogTemplate().controls) {
        if (item.kind != ControlKind::DropDownList) {
            continue;
        }
        SCOPED_TRACE(item.idName);
        QComboBox* box = List(item.id);
        QAbstractItemView* view = box->view();
        const int entryHeight = view->sizeHintForRow(0);
        ASSERT_GT(entryHeight, 0);
        const int below = u.ToPixelsY(item.cy) - box->height();
        const int visible = box->maxVisibleItems();
        EXPECT_GE(visible, 1);
        EXPECT_LE(visible * entryHeight, std::max(below, entryHeight));
        EXPECT_GT((visible + 1) * entryHeight, below);

        box->showPopup();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 2000));
        EXPECT_EQ(view->viewport()->height() / entryHeight, std::min(visible, box->count()));
        EXPECT_EQ(view->verticalScrollBar()->isVisible(), box->count() > visible);
        box->hidePopup();
    }
}

TEST_F(AnalysisWindow, ControlsAreNamedForAssistiveTechnology) {
    for (const ControlTemplate& item : AnalysisDialogTemplate().controls) {
        if (item.id != 0) {
            EXPECT_EQ(dlg->GetDlgItem(item.id)->accessibleDescription(), item.idName);
        }
    }
    struct Named {
        int id;
        const char* name;
    };
    const Named named[] = {{IDC_PORT, "串口端口"},
                           {IDC_BAUDRATE, "波特率"},
                           {IDC_PARITY, "校验"},
                           {IDC_DATABITS, "数据位"},
                           {IDC_STOPBITS, "停止位"},
                           {IDC_FLOWCONTROL, "流控制"},
                           {IDC_SENDPERIOD, "自动发送周期"},
                           {IDC_FILTERED, "已过滤的数据"},
                           {IDC_EXPECTED, "正确对比数据"}};
    for (const Named& n : named) {
        QWidget* w = dlg->GetDlgItem(n.id);
        EXPECT_EQ(w->accessibleName(), QString::fromUtf8(n.name)) << n.id;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Description), w->objectName());
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(n.name)) << n.id;
        bool labelled = false;
        for (const auto& relation : a->relations(QAccessible::Label)) {
            labelled |= relation.first->text(QAccessible::Name) == QString::fromUtf8(n.name);
        }
        EXPECT_TRUE(labelled) << n.id;
    }
    EXPECT_TRUE(dlg->GetDlgItem(IDC_SENDTEXT)->accessibleName().isEmpty());
    // A list still tells what it shows.
    QAccessibleInterface* port = QAccessible::queryAccessibleInterface(List(IDC_PORT));
    EXPECT_EQ(port->role(), QAccessible::ComboBox);
    EXPECT_EQ(port->text(QAccessible::Value), "COM2");
    ASSERT_EQ(port->childCount(), 2);
    EXPECT_EQ(port->child(1)->text(QAccessible::Value), "COM2");
    QAccessibleInterface* open = QAccessible::queryAccessibleInterface(Button(IDC_OPEN));
    EXPECT_EQ(open->text(QAccessible::Name), "OPEN");
}

}  // namespace
