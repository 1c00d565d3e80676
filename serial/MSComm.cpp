#include "serial/MSComm.h"

bool CMSComm::AttachWidget(QWidget* widget) {
    control_ = qobject_cast<CommControl*>(widget);
    return IsBound();
}

CommControl& CMSComm::Control() const {
    if (!control_) {
        // The window and its controls are gone.
        throw ControlError(kErrPortNotOpen, "The serial control is not available");
    }
    return *control_;
}
