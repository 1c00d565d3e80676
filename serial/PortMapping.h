#pragma once

#include <optional>
#include <string>
#include <vector>

// Which device a port number COMn opens. A mapping given on the command line
// wins over the environment variable TESSALINE_COMn, which wins over the
// system's own device for COMn.

// The ports a command line may map: the ones the window's port list offers.
constexpr int kFirstMappablePort = 1;
constexpr int kLastMappablePort = 4;

enum class MappingSource { CommandLine, Environment, System };

struct PortMapping {
    int port = 0;
    std::string path;
    MappingSource source = MappingSource::System;
};

// kFirstMappablePort to kLastMappablePort for that COMn, COM in any case; -1
// for COM and other digits (COM5, COM02), a port the window does not offer; 0
// for any other text (a device path).
int ComPortNumber(const std::string& name);

// "COMn=PATH", COM in any case, n from kFirstMappablePort to
// kLastMappablePort, PATH not empty and resolved as ResolveDevicePath says
// (DevicePath.h). On failure `why` gets one line.
std::optional<PortMapping> ParsePortMapping(const std::string& text, std::string* why);

// Replaces the command line's mappings; a port given twice keeps the last.
void SetCommandLineMappings(const std::vector<PortMapping>& mappings);

// What COMn opens now, and why; TESSALINE_COMn resolved as a command line's
// path is.
PortMapping CurrentMapping(int port);
