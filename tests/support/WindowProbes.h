#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <utility>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "support/EventLoopWaits.h"

// Records every enabling and disabling of the watched controls, in order.
class EnableRecorder : public QObject {
public:
    EnableRecorder(const CDialog& dlg, const std::vector<int>& ids) {
        for (int id : ids) {
            QWidget* w = dlg.GetDlgItem(id);
            w->setProperty("controlId", id);
            w->installEventFilter(this);
        }
    }
    // (control id, enabled afterwards)
    std::vector<std::pair<int, bool>> changes;

    // The ids alone, in the order they changed.
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const auto& change : changes) {
            ids.push_back(change.first);
        }
        return ids;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            auto* w = static_cast<QWidget*>(watched);
            changes.emplace_back(w->property("controlId").toInt(), w->isEnabled());
        }
        return false;
    }
};
