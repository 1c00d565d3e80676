#include "support/DeviceProcess.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "support/EventLoopWaits.h"
#include "support/Pty.h"

namespace {

std::vector<std::string> CommandLine(const std::vector<std::string>& args) {
    std::vector<std::string> line{TESSALINE_DEVICE_PATH};
    line.insert(line.end(), args.begin(), args.end());
    return line;
}

}  // namespace

DeviceProcess::DeviceProcess(const std::vector<std::string>& args)
    : program_(CommandLine(args), ChildProcess::Options{true, std::nullopt}) {}

DeviceProcess::~DeviceProcess() {
    if (port_ >= 0) {
        close(port_);
    }
}

bool DeviceProcess::OpenPort(const std::string& path) {
    port_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (port_ < 0) {
        return false;
    }
    termios t{};
    tcgetattr(port_, &t);
    cfmakeraw(&t);
    tcsetattr(port_, TCSANOW, &t);
    return true;
}

bool DeviceProcess::Send(const std::vector<unsigned char>& bytes) {
    return write(port_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::vector<unsigned char> DeviceProcess::Receive(size_t count, int timeoutMs) {
    return ReadFor(port_, timeoutMs, count);
}

int DeviceProcess::Stop(int signal) {
    program_.Signal(signal);
    return ExitCode();
}

int DeviceProcess::ExitCode() {
    return program_.Wait(kPatience);
}
