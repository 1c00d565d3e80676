#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

#include "platform/dialog/Dialog.h"

// Long enough for a loaded machine under ThreadSanitizer; waits end as soon as
// their condition holds.
inline constexpr int kPatience = 20000;

// Runs the window's event loop until `done` holds; false on timeout.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kPatience) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;  // wakes the loop to look at what other threads change
    tick.start(2);
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

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
