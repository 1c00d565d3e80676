#pragma once

#include <termios.h>

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a text, as a device sends or expects them.
std::vector<unsigned char> BytesOf(const std::string& text);

// Reads what arrives on a descriptor within the time, stopping early once
// `expected` bytes came or the other end closed.
std::vector<unsigned char> ReadFor(int fd, int timeoutMs, size_t expected = SIZE_MAX);

// A pseudo-terminal pair: the program opens the device path, the test plays the
// device at the master end.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& path() const { return path_; }
    int master() const { return master_; }
    // The program's end, as the pair keeps it open.
    int slave() const { return slave_; }

    void Write(const std::vector<unsigned char>& bytes);
    void Write(const std::string& bytes);
    // Reads what arrives within the time, stopping early once `expected` bytes came.
    std::vector<unsigned char> Read(int timeoutMs, size_t expected = SIZE_MAX);
    // The line settings (speed, stop bits, handshaking) the program put on the port.
    termios LineSettings() const;
    // The device goes away.
    void CloseMaster();

private:
    int master_ = -1;
    int slave_ = -1;  // kept open so that the master never sees a hang-up
    std::string path_;
};

// Points COMn at a device path for the life of the object.
class ComMapping {
public:
    ComMapping(int port, const std::string& path);
    ~ComMapping();

private:
    std::string name_;
};
