// tessaline-device: a simple serial device on a pseudo-terminal, for trying
// and testing Tessaline without hardware.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/device/DeviceOptions.h"
#include "tools/device/SimulatedDevice.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void RequestStop(int) {
    g_stop = 1;
}

std::string Describe(const DeviceOptions& o) {
    switch (o.mode) {
        case DeviceMode::Echo:
            return "echoing what it receives";
        case DeviceMode::Answer: {
            std::string text;
            for (const auto& [request, reply] : o.answers) {
                text += (text.empty() ? "answering " : ", ") + FormatHexFrame(request) + " with " +
                        FormatHexFrame(reply);
            }
            return text;
        }
        case DeviceMode::Send:
            return "sending " + FormatHexFrame(o.frame) + " every " + std::to_string(o.periodMs) +
                   " ms while the port is open";
    }
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = "tessaline-device";
    const ParsedOptions parsed =
        ParseDeviceOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), parsed.error.c_str(),
                     program.c_str());
        return 2;
    }
    const DeviceOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(DeviceUsage(program).c_str(), stdout);
        return 0;
    }

    // Stop requests are held back except while the device waits, so that none
    // is lost between a check and the wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimulatedDevice device(options);
    std::string error;
    if (!device.Open(&error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    // The path first, alone on its line, at once: scripts wait for it.
    std::printf("%s\n", device.PortPath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "%s: port %s, %s (Ctrl-C stops)\n", program.c_str(),
                 device.PortPath().c_str(), Describe(options).c_str());

    if (!device.Run(g_stop, &error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    if (options.verbose) {
        std::fprintf(stderr, "%s: stopped\n", program.c_str());
    }
    return 0;
}
