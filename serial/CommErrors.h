#pragma once

#include <stdexcept>
#include <string>

// Error codes the serial control raises, with its own descriptions.
enum CommErrorCode {
    kErrInvalidPropertyValue = 380,
    kErrPortOpen = 8000,         // operation not valid while the port is open
    kErrInvalidPort = 8002,      // no such port
    kErrPortAlreadyOpen = 8005,  // open twice, or held by another program
    kErrPortNotOpen = 8018,      // operation valid only when the port is open
    kErrDeviceLost = 8020,       // the device went away while open
    kErrSettings = 8015,         // the port refused its line settings
};

// What the control raises when it refuses an operation; what() is the
// description the operator sees.
class CommError : public std::runtime_error {
public:
    CommError(CommErrorCode code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    CommErrorCode code() const { return code_; }

private:
    CommErrorCode code_;
};
