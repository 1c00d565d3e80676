#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/PortMapping.h"

// What the system says of one of its serial ports.
struct SerialPortEntry {
    std::string path;
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<unsigned> vendorId;  // USB devices
    std::optional<unsigned> productId;
};

// The serial ports the system lists now (QSerialPortInfo).
std::vector<SerialPortEntry> SystemSerialPorts();

// Two paths name one device: symbolic links (/dev/serial/by-id/...) followed.
using SameDevice = std::function<bool(const std::string&, const std::string&)>;
bool SameDeviceOnDisk(const std::string& a, const std::string& b);

// What --list-ports prints: a header and one line per port, in natural order
// of their paths, with the COMn that opens it (through --port, TESSALINE_COMn
// or the system's own name; several when several do) and what the system says
// of it. A COMn that --port or TESSALINE_COMn points at a device the system
// does not list (a pseudo-terminal, or nothing) gets a line of its own. With
// no port at all, it says so and how to map one.
std::string PortListText(const std::vector<SerialPortEntry>& ports,
                         const std::vector<PortMapping>& mappings, const SameDevice& same,
                         const std::function<bool(const std::string&)>& exists);
