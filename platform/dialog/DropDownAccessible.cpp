#include "platform/dialog/DropDownAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

const char kDialogListProperty[] = "tessalineDialogList";

class DropDownAccessible : public QAccessibleWidget {
public:
    explicit DropDownAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return box()->accessibleName().isEmpty() ? box()->currentText()
                                                         : box()->accessibleName();
            case QAccessible::Value:
                return box()->currentText();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    int childCount() const override { return box()->isEditable() && box()->lineEdit() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(box()->view());
        }
        if (index == 1 && box()->isEditable() && box()->lineEdit()) {
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        }
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        if (child->object() == box()->view()) {
            return 0;
        }
        if (box()->lineEdit() && child->object() == box()->lineEdit()) {
            return 1;
        }
        return -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view() && box()->view()->isVisible();
        s.collapsed = !s.expanded;
        s.editable = box()->isEditable();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            if (box()->view() && box()->view()->isVisible()) {
                box()->hidePopup();
            } else {
                box()->showPopup();
            }
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className != QLatin1String("QComboBox") || !object ||
        !object->property(kDialogListProperty).toBool()) {
        return nullptr;
    }
    return new DropDownAccessible(static_cast<QComboBox*>(object));
}

}  // namespace

void InstallDropDownAccessibility() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(Factory);
    }
}
