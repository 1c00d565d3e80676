#include "platform/threads/ThreadCheck.h"
#include "serial/CommControl.h"

// The properties that are plain values: checked when put, kept until the port
// opens or the control reads them.

void CommControl::RequireClosed() const {
    if (portOpen_) {
        Refuse(CommRefusal::PortOpen);
    }
}

void CommControl::SetCommPort(short port) {
    RequireOwnerThread(this, "CommControl::SetCommPort");
    RequireClosed();
    if (port < 1 || port > 16) {
        Refuse(CommRefusal::InvalidPortNumber);
    }
    commPort_ = port;
}

void CommControl::SetDevicePath(const std::string& path) {
    RequireOwnerThread(this, "CommControl::SetDevicePath");
    RequireClosed();
    chosenDevice_ = path;
}

void CommControl::SetAnyBaudRate(bool any) {
    RequireOwnerThread(this, "CommControl::SetAnyBaudRate");
    anyBaudRate_ = any;
}

void CommControl::SetInBufferSize(short size) {
    RequireOwnerThread(this, "CommControl::SetInBufferSize");
    RequireClosed();
    if (size <= 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    inBufferSize_ = size;
}

void CommControl::SetOutBufferSize(short size) {
    RequireOwnerThread(this, "CommControl::SetOutBufferSize");
    RequireClosed();
    if (size <= 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    outBufferSize_ = size;
}

void CommControl::SetInputLen(short length) {
    RequireOwnerThread(this, "CommControl::SetInputLen");
    if (length < 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    inputLen_ = length;
}

void CommControl::SetInputMode(long mode) {
    RequireOwnerThread(this, "CommControl::SetInputMode");
    if (mode != 0 && mode != 1) {
        Refuse(CommRefusal::InvalidValue);
    }
    inputMode_ = mode;
}

void CommControl::SetRThreshold(short threshold) {
    RequireOwnerThread(this, "CommControl::SetRThreshold");
    if (threshold < 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    rThreshold_ = threshold;
    if (threshold > 0) {
        // Bytes already waiting are reported once the caller has returned.
        QueueReceiveCheck();
    }
}
