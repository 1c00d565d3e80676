#pragma once

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "tools/device/DeviceOptions.h"
#include "tools/device/RequestMatcher.h"

// The device end of a pseudo-terminal pair. The program under test opens the
// other end (the port) as a serial device.
class SimulatedDevice {
public:
    explicit SimulatedDevice(const DeviceOptions& options);
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Creates the pair. False, with `error` set, when the system refuses.
    bool Open(std::string* error);
    // The path a serial program opens.
    const std::string& PortPath() const { return portPath_; }

    // Plays the device until `stop` becomes non-zero. SIGINT and SIGTERM must
    // be blocked by the caller; they are let through only while waiting, so a
    // stop is never missed. False, with `error` set, on a system failure.
    bool Run(const volatile std::sig_atomic_t& stop, std::string* error);

private:
    void Received(const unsigned char* bytes, size_t count);
    // An answer: after the delay, if any.
    void Answer(const Frame& bytes);
    // In pieces when asked to, each its own write a moment after the last.
    void Transmit(const Frame& bytes);
    void WriteOut(const Frame& bytes);
    // Waits, letting stop signals through; false when one came.
    bool Pause(int ms);
    void Log(const char* direction, const Frame& bytes) const;
    void NoteConnected(bool connected);

    DeviceOptions options_;
    std::vector<RequestMatcher> matchers_;  // one per request, in the order given
    int master_ = -1;
    std::string portPath_;
    bool connected_ = false;
    sigset_t waitMask_{};  // the signal mask while waiting: stop signals let through
};
