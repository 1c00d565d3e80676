#include "platform/dialog/DialogWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "platform/dialog/Dialog.h"

DialogWindow::DialogWindow(CDialog* dialog, QWidget* owner) : QDialog(owner), dialog_(dialog) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void DialogWindow::Command(int id) {
    dialog_->RunCommand(id);
}

void DialogWindow::ControlEvent(int id, int eventNumber) {
    dialog_->DispatchEvent(id, eventNumber);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                if (button->isEnabled()) {
                    button->click();
                }
            } else {
                dialog_->RunCommand(IDOK);
            }
            return;
        case Qt::Key_Escape:
            event->accept();
            dialog_->RunCommand(IDCANCEL);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!(key->modifiers() & Qt::ControlModifier)) {
                dialog_->RunCommand(IDOK);
                return true;
            }
            // Ctrl+Enter breaks the line in a multi-line edit, which would
            // otherwise pass the key on to the window as OK.
            if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
                if (!edit->isReadOnly()) {
                    QTextCursor cursor = edit->textCursor();
                    cursor.insertText(QStringLiteral("\n"));
                    edit->setTextCursor(cursor);
                    edit->ensureCursorVisible();
                }
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    dialog_->RunCommand(IDCANCEL);
}

void DialogWindow::reject() {
    dialog_->RunCommand(IDCANCEL);
}

void DialogWindow::accept() {
    dialog_->RunCommand(IDOK);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    dialog_->PaintEvent(painter);
}
