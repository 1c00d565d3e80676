#include "serial/MSComm.h"

bool CMSComm::AttachWidget(QWidget* widget) {
    site_ = qobject_cast<CommControlSite*>(widget);
    return IsBound();
}

CommControl& CMSComm::Control() const {
    if (!site_) {
        // The window and its controls are gone.
        throw ControlError(kErrPortNotOpen, "The serial control is not available");
    }
    return site_->control();
}
