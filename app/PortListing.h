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
    std::string byPath;  // its stable name under /dev/serial/by-path; empty: none
};

// The serial ports the system lists now (QSerialPortInfo), with their
// by-path names.
std::vector<SerialPortEntry> SystemSerialPorts();

// Two paths name one device: symbolic links (/dev/serial/by-id/...) followed.
using SameDevice = std::function<bool(const std::string&, const std::string&)>;
bool SameDeviceOnDisk(const std::string& a, const std::string& b);

// Where Linux names a serial device by the USB or PCI position it is plugged
// into: the same adapter in the same socket keeps the name across boots.
inline constexpr char kByPathFolder[] = "/dev/serial/by-path";

// The entry of `folder` that names the device at `path` (the first by name
// when several do), as folder/entry; empty when none does or there is no
// such folder.
std::string LinkNaming(const std::string& path, const std::string& folder, const SameDevice& same);

// What --list-ports prints: a header and one line per port, in natural order
// of their paths, with the COMn that opens it (through --port, TESSALINE_COMn
// or the system's own name; several when several do), what the system says
// of it and, last, its by-path name. A COMn that --port or TESSALINE_COMn
// points at a device the system does not list (a pseudo-terminal, or
// nothing) gets a line of its own. With no port at all, it says so and how
// to map one.
std::string PortListText(const std::vector<SerialPortEntry>& ports,
                         const std::vector<PortMapping>& mappings, const SameDevice& same,
                         const std::function<bool(const std::string&)>& exists);
