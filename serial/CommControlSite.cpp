#include "serial/CommControlSite.h"

#include "serial/SerialControlClass.h"

CommControlSite::CommControlSite(QWidget* parent)
    : HostedControl(parent), control_(new CommControl(this)) {
    // Invisible at run time: it never takes the focus and draws nothing.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(control_, &CommControl::onComm, this, [this] { emit controlEvent(EVENT_ONCOMM); });
}

void RegisterSerialControl(CommTrafficObserver* traffic) {
    RegisterControlClass(kSerialControlClass, [traffic](QWidget* parent) -> HostedControl* {
        auto* site = new CommControlSite(parent);
        site->control().SetTrafficObserver(traffic);
        return site;
    });
}
