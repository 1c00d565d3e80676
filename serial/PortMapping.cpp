#include "serial/PortMapping.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/text/AsciiCase.h"
#include "serial/DevicePath.h"
#include "serial/PortSystem.h"

namespace {

// Set once at start, read whenever a port opens, possibly by a program's
// other threads.
std::mutex& MappingsLock() {
    static std::mutex lock;
    return lock;
}

std::map<int, std::string>& CommandLineMappings() {
    static std::map<int, std::string> mappings;
    return mappings;
}

std::optional<PortMapping> Wrong(std::string* why, const std::string& text) {
    if (why) {
        *why = "--port takes COMn=PATH with n from " + std::to_string(kFirstMappablePort) + " to " +
               std::to_string(kLastMappablePort) + ", not '" + text + "'";
    }
    return std::nullopt;
}

}  // namespace

int ComPortNumber(const std::string& name) {
    if (name.size() < 4 || ascii::ToLower(name[0]) != 'c' || ascii::ToLower(name[1]) != 'o' ||
        ascii::ToLower(name[2]) != 'm' ||
        name.find_first_not_of("0123456789", 3) != std::string::npos) {
        return 0;
    }
    // One digit: the mappable ports are single digits, so "COM02" is not COM2.
    const bool mappable = name.size() == 4 && name[3] >= '0' + kFirstMappablePort &&
                          name[3] <= '0' + kLastMappablePort;
    return mappable ? name[3] - '0' : -1;
}

std::optional<PortMapping> ParsePortMapping(const std::string& text, std::string* why) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size()) {
        return Wrong(why, text);
    }
    const int port = ComPortNumber(text.substr(0, equals));
    if (port <= 0) {
        return Wrong(why, text);
    }
    return PortMapping{port, ResolveDevicePath(text.substr(equals + 1)),
                       MappingSource::CommandLine};
}

void SetCommandLineMappings(const std::vector<PortMapping>& mappings) {
    std::lock_guard<std::mutex> hold(MappingsLock());
    CommandLineMappings().clear();
    for (const PortMapping& m : mappings) {
        CommandLineMappings()[m.port] = m.path;
    }
}

PortMapping CurrentMapping(int port) {
    {
        std::lock_guard<std::mutex> hold(MappingsLock());
        const auto found = CommandLineMappings().find(port);
        if (found != CommandLineMappings().end()) {
            return PortMapping{port, found->second, MappingSource::CommandLine};
        }
    }
    const std::string variable = "TESSALINE_COM" + std::to_string(port);
    if (const char* value = std::getenv(variable.c_str()); value && *value) {
        return PortMapping{port, ResolveDevicePath(value), MappingSource::Environment};
    }
    return PortMapping{port, SystemPortPath(port), MappingSource::System};
}
