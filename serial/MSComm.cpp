#include "serial/MSComm.h"

bool CMSComm::AttachWidget(QWidget* widget) {
    site_ = qobject_cast<CommControlSite*>(widget);
    return IsBound();
}

CommControl& CMSComm::Control() const {
    if (!site_) {
        // The window and its controls are gone.
        const CommError gone = DescribeRefusal(CommRefusal::ControlGone);
        throw ControlError(gone.code(), gone.what());
    }
    return site_->control();
}
