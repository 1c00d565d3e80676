#pragma once

#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>

// A control hosted in a dialog site, created by its class name. It raises
// numbered events that the dialog's event table routes to handlers.
class HostedControl : public QWidget {
    Q_OBJECT
public:
    explicit HostedControl(QWidget* parent) : QWidget(parent) {}

signals:
    void controlEvent(int eventNumber);
};

// An error a hosted control raises when it refuses an operation. It ends the
// caller at that step; `description` is the control's own text (GBK).
class ControlError : public std::runtime_error {
public:
    ControlError(int code, std::string description)
        : std::runtime_error(description), code_(code), description_(std::move(description)) {}
    int code() const { return code_; }
    const std::string& description() const { return description_; }

private:
    int code_;
    std::string description_;
};

// Which control classes this program can host. Creating a site whose class is
// not registered fails, as on a machine without that control.
using HostedControlFactory = std::function<HostedControl*(QWidget* parent)>;
void RegisterControlClass(const std::string& className, HostedControlFactory factory);
void UnregisterControlClass(const std::string& className);
HostedControl* CreateHostedControl(const std::string& className, QWidget* parent);
