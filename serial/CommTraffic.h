#pragma once

#include <string>

#include "platform/text/ByteArray.h"

// What a port opening was made with, as the control reports it.
struct PortOpening {
    short port = 0;         // CommPort
    std::string path;       // the device opened
    std::string settings;   // e.g. "9600,n,8,1"
    short handshaking = 0;  // 0 none, 1 XON/XOFF, 2 RTS/CTS
};

// Watches the traffic of a serial control: its openings and closings and every
// byte that crosses its boundary. The control calls it on its own thread, in
// the order things happen, from inside the operation it reports; an observer
// must return quickly and must not throw. Operations that move no byte are
// not reported.
class CommTrafficObserver {
public:
    virtual ~CommTrafficObserver() = default;

    virtual void PortOpened(const PortOpening& opening) = 0;
    // The port of the last PortOpened closed (by the program, or with the
    // control).
    virtual void PortClosed(short port, const std::string& path) = 0;
    // The bytes Input delivered.
    virtual void BytesReceived(const ByteArray& bytes) = 0;
    // The bytes Output accepted.
    virtual void BytesSent(const ByteArray& bytes) = 0;
    // The bytes InBufferCount 0 threw away unread.
    virtual void BytesDiscarded(const ByteArray& bytes) = 0;
};
