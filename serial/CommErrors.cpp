#include "serial/CommErrors.h"

namespace {

struct RefusalText {
    CommRefusal refusal;
    CommErrorCode code;
    const char* description;  // %1, %2, %3: the details, in order
};

const RefusalText kRefusals[] = {
    {CommRefusal::InvalidValue, kErrInvalidPropertyValue, "Invalid property value"},
    {CommRefusal::UnsendableDataBits, kErrInvalidPropertyValue,
     "Invalid property value: the port cannot send %1 data bits"},
    {CommRefusal::PortOpen, kErrPortOpen, "Operation not valid while the port is open"},
    {CommRefusal::InvalidPortNumber, kErrInvalidPort, "Invalid port number"},
    {CommRefusal::NoSuchDevice, kErrInvalidPort,
     "Invalid port number: %1 (%2: %3; tessaline --list-ports shows the serial ports)"},
    {CommRefusal::NoPermission, kErrInvalidPort,
     "Permission denied: %2 (%1). Join the dialout group (sudo usermod -aG dialout $USER) and "
     "log in again."},
    {CommRefusal::AlreadyOpen, kErrPortAlreadyOpen, "Port already open"},
    {CommRefusal::PortInUse, kErrPortAlreadyOpen,
     "Port already open: %2 (%1) is in use by another program (%3)"},
    {CommRefusal::PortNotOpen, kErrPortNotOpen, "Operation valid only when the port is open"},
    {CommRefusal::DeviceGone, kErrDeviceLost, "The device of %1 (%2) is gone"},
    {CommRefusal::WriteFailed, kErrDeviceLost, "Cannot write to %1: %2"},
    {CommRefusal::HandshakingRefused, kErrSettings, "The port refused the handshaking"},
    {CommRefusal::StopBitsNeedFiveDataBits, kErrSettings,
     "The parameter is incorrect: 1.5 stop bits need 5 data bits (%1, %2)"},
    {CommRefusal::TwoStopBitsNeedSixDataBits, kErrSettings,
     "The parameter is incorrect: 2 stop bits need 6 to 8 data bits (%1, %2)"},
    {CommRefusal::CannotOpen, kErrSettings, "Cannot open %2 (%1): %3"},
    {CommRefusal::ControlGone, kErrPortNotOpen, "The serial control is not available"},
};

// The texts that name a port opened by its device path; the others read the
// same either way.
const RefusalText kRefusalsByPath[] = {
    {CommRefusal::NoSuchDevice, kErrInvalidPort, "No such device: %2 (%3)"},
    {CommRefusal::NoPermission, kErrInvalidPort,
     "Permission denied: %2. Join the dialout group (sudo usermod -aG dialout $USER) and log in "
     "again."},
    {CommRefusal::PortInUse, kErrPortAlreadyOpen,
     "Port already open: %2 is in use by another program (%3)"},
    {CommRefusal::DeviceGone, kErrDeviceLost, "The device %2 is gone"},
    {CommRefusal::CannotOpen, kErrSettings, "Cannot open %2: %3"},
};

// One pass, so that a detail which itself holds "%1" stays as it is.
std::string FillIn(const char* description, const std::vector<std::string>& details) {
    std::string text;
    for (const char* c = description; *c; ++c) {
        const bool placeholder = c[0] == '%' && c[1] >= '1' && c[1] <= '9';
        if (placeholder && size_t(c[1] - '1') < details.size()) {
            text += details[size_t(c[1] - '1')];
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

}  // namespace

CommError DescribeRefusal(CommRefusal refusal, const std::vector<std::string>& details,
                          PortNaming naming) {
    if (naming == PortNaming::DevicePath) {
        for (const RefusalText& row : kRefusalsByPath) {
            if (row.refusal == refusal) {
                return CommError(row.code, FillIn(row.description, details));
            }
        }
    }
    for (const RefusalText& row : kRefusals) {
        if (row.refusal == refusal) {
            return CommError(row.code, FillIn(row.description, details));
        }
    }
    return CommError(kErrInvalidPropertyValue, kRefusals[0].description);
}
