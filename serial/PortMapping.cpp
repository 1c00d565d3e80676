#include "serial/PortMapping.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/text/AsciiCase.h"
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

std::optional<PortMapping> ParsePortMapping(const std::string& text, std::string* why) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size()) {
        return Wrong(why, text);
    }
    const std::string name = text.substr(0, equals);
    // One digit: the mappable ports are single digits, so "COM02" is refused
    // rather than read as COM2.
    const bool com = name.size() == 4 && ascii::ToLower(name[0]) == 'c' &&
                     ascii::ToLower(name[1]) == 'o' && ascii::ToLower(name[2]) == 'm';
    if (!com || name[3] < '0' + kFirstMappablePort || name[3] > '0' + kLastMappablePort) {
        return Wrong(why, text);
    }
    return PortMapping{name[3] - '0', text.substr(equals + 1), MappingSource::CommandLine};
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
        return PortMapping{port, value, MappingSource::Environment};
    }
    return PortMapping{port, SystemPortPath(port), MappingSource::System};
}
