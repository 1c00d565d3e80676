#include "platform/dialog/DialogWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

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
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & Qt::ControlModifier)) {
            dialog_->RunCommand(IDOK);
            return true;
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
