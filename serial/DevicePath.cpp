#include "serial/DevicePath.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>
#endif

namespace {

#ifndef _WIN32
std::string CurrentFolder() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return ".";  // gone or unreadable: the name stays relative
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}
#endif

}  // namespace

std::string ResolveDevicePath(const std::string& name) {
#ifdef _WIN32
    return name;
#else
    return ResolveDevicePath(name, CurrentFolder());
#endif
}

std::string ResolveDevicePath(const std::string& name, const std::string& folder) {
#ifdef _WIN32
    static_cast<void>(folder);
    return name;
#else
    if (name.empty() || name[0] == '/') {
        return name;
    }
    std::string relative = name;
    while (relative.rfind("./", 0) == 0) {
        relative.erase(0, relative.find_first_not_of('/', 1));
    }
    const std::string here = (folder == "/" ? "" : folder) + "/" + relative;
    struct stat info {};
    // A link here counts even when what it points at is gone: the open then
    // says so with this path.
    if (name.find('/') != std::string::npos || ::lstat(here.c_str(), &info) == 0) {
        return here;
    }
    return "/dev/" + name;
#endif
}
