#include "platform/dialog/ControlFactory.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <climits>

#include "platform/dialog/DialogTemplate.h"
#include "platform/dialog/DialogWindow.h"
#include "platform/dialog/DropDownAccessible.h"
#include "platform/dialog/DropDownTyping.h"
#include "platform/dialog/HostedControl.h"

namespace {
void RunCommandOnClick(QAbstractButton* button, DialogWindow* window, int id) {
    QObject::connect(button, &QAbstractButton::clicked, window,
                     [window, id] { window->Command(id); });
}
}  // namespace

QWidget* CreateControl(const ControlTemplate& item, DialogWindow* window) {
    const QString caption = QString::fromUtf8(item.caption ? item.caption : "");
    const int id = item.id;
    switch (item.kind) {
        case ControlKind::PushButton: {
            auto* b = new QPushButton(caption, window);
            b->setAutoDefault(false);
            b->setDefault(false);
            b->setFocusPolicy(Qt::StrongFocus);
            RunCommandOnClick(b, window, id);
            return b;
        }
        case ControlKind::Edit: {
            auto* e = new QLineEdit(window);
            e->setMaxLength(INT_MAX);
            e->setFrame(true);
            return e;
        }
        case ControlKind::MultiLineEdit: {
            auto* e = new QPlainTextEdit(window);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            e->setTabChangesFocus(true);
            window->WatchEnter(e);
            return e;
        }
        case ControlKind::DropDownList: {
            InstallDropDownAccessibility();
            auto* c = new QComboBox(window);
            c->setProperty("tessalineDialogList", true);
            c->setEditable(true);
            c->setInsertPolicy(QComboBox::NoInsert);
            c->setCompleter(nullptr);
            c->setFocusPolicy(Qt::StrongFocus);
            window->WatchEnter(c);
            if (c->lineEdit()) {
                window->WatchEnter(c->lineEdit());
            }
            ClearSelectionWhenTyped(c);
            // Assistive technology picks an entry by selecting it in the list
            // while the list is closed; that choice becomes the selection.
            QObject::connect(
                c->view()->selectionModel(), &QItemSelectionModel::selectionChanged, c, [c] {
                    if (c->view()->isVisible()) {
                        return;
                    }
                    const QModelIndexList rows = c->view()->selectionModel()->selectedRows();
                    if (rows.size() == 1 && rows[0].row() != c->currentIndex()) {
                        c->setCurrentIndex(rows[0].row());
                    }
                });
            return c;
        }
        case ControlKind::CheckBox: {
            auto* b = new QCheckBox(caption, window);
            b->setFocusPolicy(Qt::StrongFocus);
            RunCommandOnClick(b, window, id);
            return b;
        }
        case ControlKind::RadioButton: {
            auto* b = new QRadioButton(caption, window);
            b->setAutoExclusive(false);
            b->setFocusPolicy(Qt::ClickFocus);
            RunCommandOnClick(b, window, id);
            return b;
        }
        case ControlKind::GroupBox: {
            auto* g = new QGroupBox(caption, window);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            g->setFocusPolicy(Qt::NoFocus);
            return g;
        }
        case ControlKind::Label: {
            auto* l = new QLabel(caption, window);
            l->setTextFormat(Qt::PlainText);
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            l->setWordWrap(true);
            return l;
        }
        case ControlKind::ControlSite: {
            HostedControl* c = CreateHostedControl(item.caption ? item.caption : "", window);
            if (!c) {
                return nullptr;
            }
            QObject::connect(
                c, &HostedControl::controlEvent, window,
                [window, id](int eventNumber) { window->ControlEvent(id, eventNumber); });
            return c;
        }
    }
    return nullptr;
}
