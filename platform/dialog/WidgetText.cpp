#include "platform/dialog/WidgetText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

QString WidgetText(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* e = qobject_cast<const QPlainTextEdit*>(w)) {
        // Line breaks read as CR LF, as in a Windows edit: the line end most
        // devices send survives the operator's edit of a view.
        return e->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return w->windowTitle();
}

void SetWidgetText(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->setPlainText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setEditText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else {
        w->setWindowTitle(text);
    }
}
