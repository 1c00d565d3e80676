#pragma once

#include <QSerialPort>
#include <QtGlobal>
#include <string>

#include "serial/CommErrors.h"

// What the serial control asks of the operating system beyond QSerialPort:
// PortSystem_unix.cpp on Linux and other Unix systems, PortSystem_other.cpp
// elsewhere.

// The system's own device for COMn.
std::string SystemPortPath(int port);

// The stop bits that give 1.5 stop bits with five data bits.
QSerialPort::StopBits OneAndAHalfStopBits();

// Turns the terminal's parity checking of received bytes on or off. With it
// on, a byte received with a parity error comes marked and a real 0xFF comes
// doubled (ParityMarks.h). Returns whether received bytes come marked now.
bool MarkParityErrors(qintptr handle, bool mark);

// Refuses a device that is missing or that the user may not open, with the
// reason, before QSerialPort tries it. `portName` is COMn, or the path when the
// port was chosen by it.
void RequireDeviceAccess(const std::string& path, const std::string& portName, PortNaming naming);

// Whether the line behind a descriptor has hung up: its device is gone.
bool LineHungUp(qintptr handle);

// Bytes the driver holds in its receive and transmit queues, beyond what
// QSerialPort has buffered.
qint64 DriverInputQueue(qintptr handle);
qint64 DriverOutputQueue(qintptr handle);

// Reads what the driver's receive queue holds now onto the end of `into`,
// without waiting; later arrivals stay queued. What cannot be read this way
// goes unseen.
void TakeDriverInput(qintptr handle, QByteArray& into);
