#include "platform/dialog/DialogTemplate.h"

const ControlTemplate* DialogTemplate::Find(int id) const {
    for (const ControlTemplate& c : controls) {
        if (c.id == id && id != 0) {
            return &c;
        }
    }
    return nullptr;
}
