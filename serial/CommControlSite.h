#pragma once

#include "platform/dialog/HostedControl.h"
#include "serial/CommControl.h"

// The dialog's site for the serial control: an invisible widget that owns the
// control and raises its OnComm event as the dialog's EVENT_ONCOMM.
class CommControlSite : public HostedControl {
    Q_OBJECT
public:
    explicit CommControlSite(QWidget* parent);

    CommControl& control() const { return *control_; }

private:
    CommControl* control_;  // a child: it goes with the site
};

// Registers the serial control under its class name, so that dialogs can host
// it. Each control made from then on reports its traffic to `traffic` (none:
// nullptr), which must outlive them.
void RegisterSerialControl(CommTrafficObserver* traffic = nullptr);
