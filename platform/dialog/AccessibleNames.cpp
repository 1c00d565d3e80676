#include "platform/dialog/AccessibleNames.h"

#include <QDialog>
#include <QLabel>

#include "platform/dialog/Dialog.h"

namespace {
bool IsTextField(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit ||
           kind == ControlKind::DropDownList;
}
}  // namespace

void NameForAssistiveTechnology(CDialog& dialog) {
    const DialogTemplate& tmpl = dialog.Template();
    for (const ControlTemplate& item : tmpl.controls) {
        if (item.id == 0) {
            continue;
        }
        QWidget* w = dialog.GetDlgItem(item.id);
        if (!w) {
            continue;
        }
        w->setObjectName(QString::fromUtf8(item.idName));
        w->setAccessibleDescription(QString::fromUtf8(item.idName));
        if (!IsTextField(item.kind)) {
            continue;
        }
        // The label just left of a field, on the same row, names it.
        const ControlTemplate* best = nullptr;
        for (const ControlTemplate& label : tmpl.controls) {
            if (label.kind != ControlKind::Label || label.id != 0) {
                continue;
            }
            const int gap = item.x - (label.x + label.cx);
            const bool sameRow = label.y < item.y + item.cy && item.y < label.y + label.cy;
            if (sameRow && gap >= -4 && gap <= 12 && label.x < item.x &&
                (!best || label.x > best->x)) {
                best = &label;
            }
        }
        if (best) {
            w->setAccessibleName(QString::fromUtf8(best->caption));
            for (QLabel* l :
                 dialog.window()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (l->text() == QString::fromUtf8(best->caption) &&
                    l->geometry() ==
                        dialog.BaseUnits().ToPixels(best->x, best->y, best->cx, best->cy)) {
                    l->setBuddy(w);
                }
            }
        }
    }
}
