#pragma once

#include <string>
#include <vector>

#include "support/ChildProcess.h"

// The built tessaline-device program, run as a user would, with its standard
// output and error captured. The test can open its port and talk to it.
class DeviceProcess {
public:
    explicit DeviceProcess(const std::vector<std::string>& args);
    ~DeviceProcess();
    DeviceProcess(const DeviceProcess&) = delete;
    DeviceProcess& operator=(const DeviceProcess&) = delete;

    // The first line of standard output (the port's path), waiting at most
    // the time given.
    std::string FirstLine(int timeoutMs) { return program_.ReadLine(timeoutMs); }
    // What is left on standard output or error once the program has ended.
    std::string Output() { return program_.ReadAll(kDrainMs); }
    std::string Errors() { return program_.ReadAllErrors(kDrainMs); }

    // Opens the device's port as a serial program would, in raw mode.
    bool OpenPort(const std::string& path);
    bool Send(const std::vector<unsigned char>& bytes);
    // Reads from the port until `count` bytes came or the time is up.
    std::vector<unsigned char> Receive(size_t count, int timeoutMs);

    // Signals the program and returns its exit code (-1: it did not exit).
    int Stop(int signal);
    // Waits for the program to end and returns its exit code.
    int ExitCode();

private:
    static constexpr int kDrainMs = 2000;

    ChildProcess program_;
    int port_ = -1;
};
