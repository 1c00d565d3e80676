#pragma once

#include <stdexcept>
#include <string>
#include <vector>

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

// Each way the control refuses an operation. Its code and its text, with the
// details the text names, come from one table.
enum class CommRefusal {
    InvalidValue,
    UnsendableDataBits,  // data bits
    PortOpen,
    InvalidPortNumber,
    NoSuchDevice,  // port name, device path, reason
    NoPermission,  // port name, device path
    AlreadyOpen,
    PortInUse,  // port name, device path, reason
    PortNotOpen,
    DeviceGone,   // port name, device path
    WriteFailed,  // device path, reason
    HandshakingRefused,
    StopBitsNeedFiveDataBits,    // port name, settings
    TwoStopBitsNeedSixDataBits,  // port name, settings
    CannotOpen,                  // port name, device path, reason
    ControlGone,                 // the window and its controls are gone
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

// How the port was chosen: by its number (COMn, as the window does) or by its
// device path (programs that open any device). Texts that name the port say
// it as it was chosen; the details stay in the order listed above, the port
// name then being the path.
enum class PortNaming { ComNumber, DevicePath };

// The error for a refusal, its text filled in with the details in the order
// listed above.
CommError DescribeRefusal(CommRefusal refusal, const std::vector<std::string>& details = {},
                          PortNaming naming = PortNaming::ComNumber);

[[noreturn]] inline void Refuse(CommRefusal refusal, const std::vector<std::string>& details = {},
                                PortNaming naming = PortNaming::ComNumber) {
    throw DescribeRefusal(refusal, details, naming);
}
