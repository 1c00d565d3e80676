#include "serial/PortSystem.h"

// Systems without the Unix probes: QSerialPort alone says what happened.

std::string SystemPortPath(int port) {
    return "COM" + std::to_string(port);
}

QSerialPort::StopBits OneAndAHalfStopBits() {
    return QSerialPort::OneAndHalfStop;
}

// Received bytes come as they are.
bool MarkParityErrors(qintptr, bool) {
    return false;
}

void RequireDeviceAccess(const std::string&, const std::string&, PortNaming) {}

// Only errors that the port reports come here, and without a probe they
// count as the device gone.
bool LineHungUp(qintptr) {
    return true;
}

qint64 DriverInputQueue(qintptr) {
    return 0;
}

qint64 DriverOutputQueue(qintptr) {
    return 0;
}

void TakeDriverInput(qintptr, QByteArray&) {}
