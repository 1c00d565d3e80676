#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/device/HexFrame.h"

// What the simulated device does, from its command line.
enum class DeviceMode { Echo, Answer, Send };

struct DeviceOptions {
    DeviceMode mode = DeviceMode::Echo;
    // Answer: each request frame and its reply, in the order given.
    std::vector<std::pair<Frame, Frame>> answers;
    Frame frame;         // Send: the frame sent...
    int periodMs = 500;  // ...this often
    int delayMs = 0;     // Echo, Answer: the wait before each answer
    int splitBytes = 0;  // when not 0, what it sends goes in pieces of this many bytes
    bool verbose = false;
    bool help = false;
};

// Periods the device accepts, in milliseconds.
constexpr int kShortestPeriodMs = 1;
constexpr int kLongestPeriodMs = 3600000;
// The delay before an answer, and the pieces an answer goes in.
constexpr int kLongestDelayMs = 3600000;
constexpr int kLargestPiece = 4096;

struct ParsedOptions {
    std::optional<DeviceOptions> options;  // empty when the line is wrong
    std::string error;                     // then: why, in one line
};

// Parses the arguments after the program name.
ParsedOptions ParseDeviceOptions(const std::vector<std::string>& args);

// The text --help prints.
std::string DeviceUsage(const std::string& program);
