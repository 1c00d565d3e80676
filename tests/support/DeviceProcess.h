#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

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
    std::string FirstLine(int timeoutMs);
    // What is left on standard output or error once the program has ended.
    std::string Output() { return Drain(out_); }
    std::string Errors() { return Drain(err_); }

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
    static bool Wait(int fd, int timeoutMs);
    std::string Drain(int fd);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int port_ = -1;
    bool exited_ = false;
};
