#include "platform/dialog/HostedControl.h"

#include <map>

namespace {
std::map<std::string, HostedControlFactory>& Registry() {
    static std::map<std::string, HostedControlFactory> registry;
    return registry;
}
}  // namespace

void RegisterControlClass(const std::string& className, HostedControlFactory factory) {
    Registry()[className] = std::move(factory);
}

void UnregisterControlClass(const std::string& className) {
    Registry().erase(className);
}

HostedControl* CreateHostedControl(const std::string& className, QWidget* parent) {
    auto it = Registry().find(className);
    if (it == Registry().end() || !it->second) {
        return nullptr;
    }
    return it->second(parent);
}
