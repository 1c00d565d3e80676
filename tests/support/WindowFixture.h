#pragma once

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

#include "app/AnalysisDlg.h"
#include "platform/dialog/MessageBox.h"
#include "platform/text/Gbk.h"
#include "res/resource.h"
#include "serial/CommControlSite.h"
#include "support/ControlIds.h"

// The analysis window, created and shown offscreen, with message boxes recorded
// instead of shown.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSerialControl();
        SetMessageBoxHook([this](const MessageRecord& r) { messages.push_back(r); });
        OpenWindow();
    }

    // A new analysis window, shown, in place of the last.
    void OpenWindow() {
        dlg = std::make_unique<CAnalysisDlg>();
        ASSERT_TRUE(dlg->Create());
        dlg->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg->window()));
    }

    void TearDown() override {
        dlg.reset();
        SetMessageBoxHook({});
    }

    template <class W>
    W* Item(int id) const {
        auto* w = qobject_cast<W*>(dlg->GetDlgItem(id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    QLineEdit* Edit(int id) const { return Item<QLineEdit>(id); }
    QComboBox* List(int id) const { return Item<QComboBox>(id); }
    QCheckBox* Check(int id) const { return Item<QCheckBox>(id); }
    QPushButton* Button(int id) const { return Item<QPushButton>(id); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

    bool Enabled(int id) const { return dlg->IsItemEnabled(id); }
    void ExpectEnabled(const std::vector<int>& ids, bool enabled) const {
        for (int id : ids) {
            EXPECT_EQ(Enabled(id), enabled) << "control " << id;
        }
    }
    // Send workers still running, and a run of sending over.
    size_t Running() const { return dlg->SendWorkers().Running(); }
    bool RunEnded() const { return Running() == 0 && Enabled(IDC_AUTOSEND); }

    // Replaces a field's text as the operator would.
    void Type(int id, const QString& text) {
        QWidget* w = dlg->GetDlgItem(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setFocus();
            e->selectAll();
            if (text.isEmpty()) {
                QTest::keyClick(e, Qt::Key_Delete);
            } else {
                QTest::keyClicks(e, text);
            }
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            p->setPlainText(text);
        }
    }
    QString Shown(int id) const {
        QWidget* w = dlg->GetDlgItem(id);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text();
        if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            return p->toPlainText();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* c = qobject_cast<QComboBox*>(w))
            return c->currentText();
        return QString();
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const MessageRecord& r : messages)
            texts.push_back(r.text);
        return texts;
    }

    std::unique_ptr<CAnalysisDlg> dlg;
    std::vector<MessageRecord> messages;
};
