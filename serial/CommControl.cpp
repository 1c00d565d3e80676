#include "serial/CommControl.h"

#include <QSerialPort>
#include <QTimer>

#include "platform/threads/ThreadCheck.h"
#include "serial/DevicePath.h"
#include "serial/PortMapping.h"
#include "serial/PortSystem.h"

namespace {

QSerialPort::Parity ToQtParity(char p) {
    switch (p) {
        case 'e':
            return QSerialPort::EvenParity;
        case 'o':
            return QSerialPort::OddParity;
        case 'm':
            return QSerialPort::MarkParity;
        case 's':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

// Handshaking 0 none, 1 XON/XOFF, 2 RTS/CTS.
QSerialPort::FlowControl ToQtFlowControl(short handshaking) {
    switch (handshaking) {
        case 1:
            return QSerialPort::SoftwareControl;
        case 2:
            return QSerialPort::HardwareControl;
        default:
            return QSerialPort::NoFlowControl;
    }
}

std::string PortName(int port) {
    return "COM" + std::to_string(port);
}

}  // namespace

CommControl::CommControl(QObject* parent) : QObject(parent) {}

CommControl::~CommControl() {
    ClosePort();
}

void CommControl::RequireOpen() const {
    if (!portOpen_) {
        Refuse(CommRefusal::PortNotOpen);
    }
    if (lost_ || !port_) {
        Refuse(CommRefusal::DeviceGone, {PortLabel(), devicePath_}, Naming());
    }
}

std::optional<CommSettings> CommControl::ParseSettings(const std::string& settings) const {
    return anyBaudRate_ ? ParseCommSettingsAnyBaud(settings) : ParseCommSettings(settings);
}

std::string CommControl::PortLabel() const {
    return chosenDevice_.empty() ? PortName(commPort_) : chosenDevice_;
}

PortNaming CommControl::Naming() const {
    return chosenDevice_.empty() ? PortNaming::ComNumber : PortNaming::DevicePath;
}

bool CommControl::PortUsable() const {
    return portOpen_ && port_ && !lost_;
}

std::string CommControl::DevicePath(int port) {
    return CurrentMapping(port).path;
}

void CommControl::SetTrafficObserver(CommTrafficObserver* observer) {
    RequireOwnerThread(this, "CommControl::SetTrafficObserver");
    traffic_ = observer;
}

void CommControl::SetInBufferCount(short count) {
    RequireOwnerThread(this, "CommControl::SetInBufferCount");
    RequireOpen();
    if (count != 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    if (traffic_) {
        ReportWaitingInput();
    }
    // Flushed, observed or not: the driver also drops what it has not handed
    // on yet, which no read could take without letting more in behind it.
    port_->clear(QSerialPort::Input);
    marks_.Reset();
}

void CommControl::ReportWaitingInput() {
    // What a read can see now: the port's buffer and the driver's queue.
    QByteArray dropped = port_->readAll();
    TakeDriverInput(port_->handle(), dropped);
    ByteArray bytes;
    if (marked_) {
        marks_.Read(reinterpret_cast<const unsigned char*>(dropped.constData()),
                    static_cast<size_t>(dropped.size()), bytes);
    } else {
        bytes.assign(dropped.begin(), dropped.end());
    }
    // Reported even when empty: each receive event ends with a discard, and
    // a reader of the log sees that it happened and took nothing.
    traffic_->BytesDiscarded(bytes);
}

short CommControl::GetInBufferCount() const {
    RequireOwnerThread(this, "CommControl::GetInBufferCount");
    RequireOpen();
    // What the driver holds counts with its marks, until the port reads it in.
    const qint64 waiting = WaitingBytes() + DriverInputQueue(port_->handle());
    return static_cast<short>(std::min<qint64>(waiting, 32767));
}

void CommControl::SetOutBufferCount(short count) {
    RequireOwnerThread(this, "CommControl::SetOutBufferCount");
    RequireOpen();
    if (count != 0) {
        Refuse(CommRefusal::InvalidValue);
    }
    port_->clear(QSerialPort::Output);
}

short CommControl::GetOutBufferCount() const {
    RequireOwnerThread(this, "CommControl::GetOutBufferCount");
    RequireOpen();
    const qint64 waiting = port_->bytesToWrite() + DriverOutputQueue(port_->handle());
    return static_cast<short>(std::min<qint64>(waiting, 32767));
}

void CommControl::SetHandshaking(short handshaking) {
    RequireOwnerThread(this, "CommControl::SetHandshaking");
    if (handshaking != 0 && handshaking != 1 && handshaking != 2) {
        Refuse(CommRefusal::InvalidValue);
    }
    if (PortUsable()) {
        if (!port_->setFlowControl(ToQtFlowControl(handshaking))) {
            Refuse(CommRefusal::HandshakingRefused);
        }
    }
    handshaking_ = handshaking;
}

void CommControl::SetSettings(const std::string& settings) {
    RequireOwnerThread(this, "CommControl::SetSettings");
    std::optional<CommSettings> parsed = ParseSettings(settings);
    if (!parsed) {
        Refuse(CommRefusal::InvalidValue);
    }
    if (FindUnsendableSettings(*parsed) == UnsendableSettings::DataBits) {
        Refuse(CommRefusal::UnsendableDataBits, {std::to_string(parsed->dataBits)});
    }
    if (PortUsable()) {
        // A pseudo-terminal keeps only some settings; the port reports the rest
        // as refused, which is not the operator's concern once it is open.
        port_->setBaudRate(parsed->baud);
        port_->setDataBits(static_cast<QSerialPort::DataBits>(parsed->dataBits));
        port_->setParity(ToQtParity(parsed->parity));
        FollowParity(parsed->parity);
    }
    settings_ = settings;
}

void CommControl::SetPortOpen(bool open) {
    RequireOwnerThread(this, "CommControl::SetPortOpen");
    if (open) {
        if (portOpen_) {
            Refuse(CommRefusal::AlreadyOpen);
        }
        OpenPort();
    } else {
        ClosePort();
    }
}

void CommControl::OpenPort() {
    const std::optional<CommSettings> s = ParseSettings(settings_);
    if (!s) {
        Refuse(CommRefusal::InvalidValue);
    }
    // The one path both the check below and the open use. A port number's
    // mapping comes resolved already.
    const std::string path =
        chosenDevice_.empty() ? DevicePath(commPort_) : ResolveDevicePath(chosenDevice_);
    switch (FindUnsendableSettings(*s)) {
        case UnsendableSettings::TwoStopBits:
            Refuse(CommRefusal::TwoStopBitsNeedSixDataBits, {PortLabel(), settings_}, Naming());
        case UnsendableSettings::OneAndAHalfStopBits:
            Refuse(CommRefusal::StopBitsNeedFiveDataBits, {PortLabel(), settings_}, Naming());
        case UnsendableSettings::DataBits:
        case UnsendableSettings::None:
            break;
    }
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    if (s->stopBits == "2") {
        stop = QSerialPort::TwoStop;
    } else if (s->stopBits == "1.5") {
        stop = OneAndAHalfStopBits();
    }
    RequireDeviceAccess(path, PortLabel(), Naming());
    auto* port = new QSerialPort(this);
    port->setPortName(QString::fromStdString(path));
    port->setBaudRate(s->baud);
    port->setDataBits(static_cast<QSerialPort::DataBits>(s->dataBits));
    port->setParity(ToQtParity(s->parity));
    port->setStopBits(stop);
    port->setFlowControl(ToQtFlowControl(handshaking_));
    port->setReadBufferSize(inBufferSize_);
    if (!port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port->error();
        const std::string reason = port->errorString().toStdString();
        delete port;
        if (error == QSerialPort::PermissionError) {
            Refuse(CommRefusal::PortInUse, {PortLabel(), path, reason}, Naming());
        }
        if (error == QSerialPort::DeviceNotFoundError) {
            Refuse(CommRefusal::NoSuchDevice, {PortLabel(), path, reason}, Naming());
        }
        Refuse(CommRefusal::CannotOpen, {PortLabel(), path, reason}, Naming());
    }
    port_ = port;
    devicePath_ = path;
    portOpen_ = true;
    lost_ = false;
    marks_.Reset();
    FollowParity(s->parity);
    connect(port, &QSerialPort::readyRead, this, &CommControl::CheckReceive);
    connect(port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { OnPortError(static_cast<int>(e)); });
    if (traffic_) {
        traffic_->PortOpened({commPort_, path, settings_, handshaking_});
    }
}

void CommControl::ClosePort() {
    const bool wasOpen = portOpen_;
    if (port_) {
        QSerialPort* port = port_;
        port_ = nullptr;
        port->disconnect(this);
        port->close();
        delete port;
    }
    portOpen_ = false;
    lost_ = false;
    marked_ = false;
    marks_.Reset();
    if (wasOpen && traffic_) {
        traffic_->PortClosed(commPort_, devicePath_);
    }
}

void CommControl::OnPortError(int error) {
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) {
        return;
    }
    if (port_ && !LineHungUp(port_->handle())) {
        // A line that cannot take more just now (a device slow to read) and a
        // read that found nothing come as the same errors as a vanished
        // device. The port goes on: what waits to be sent leaves as room
        // appears, and reading, which a failed read turns off, resumes.
        port_->clearError();
        port_->setReadBufferSize(port_->readBufferSize());
        return;
    }
    // The device went away (unplugged, or the other end of a pseudo-terminal
    // closed). Stop watching it, or its notifier would fire without end; the
    // port stays "open" until the program closes it.
    if (port_) {
        QSerialPort* port = port_;
        port_ = nullptr;
        port->disconnect(this);
        port->close();
        port->deleteLater();
    }
    lost_ = true;
    emit deviceLost();
}

void CommControl::SetOutput(const ByteArray& bytes) {
    RequireOwnerThread(this, "CommControl::SetOutput");
    RequireOpen();
    if (!bytes.empty()) {
        const auto* data = reinterpret_cast<const char*>(bytes.data());
        if (port_->write(data, static_cast<qint64>(bytes.size())) < 0) {
            Refuse(CommRefusal::WriteFailed, {devicePath_, port_->errorString().toStdString()});
        }
        // Hand the bytes to the driver now, as a port's transmit buffer would.
        port_->flush();
        if (traffic_) {
            traffic_->BytesSent(bytes);
        }
    }
}

ByteArray CommControl::GetInput() {
    RequireOwnerThread(this, "CommControl::GetInput");
    RequireOpen();
    ByteArray bytes;
    if (marked_) {
        bytes = ReadUnmarked();
    } else {
        qint64 wanted = port_->bytesAvailable();
        if (inputLen_ > 0) {
            wanted = std::min<qint64>(wanted, inputLen_);
        }
        const QByteArray data = port_->read(wanted);
        bytes.assign(data.begin(), data.end());
    }
    // Whatever the parity: the observer hears of every byte Input delivers.
    if (traffic_ && !bytes.empty()) {
        traffic_->BytesReceived(bytes);
    }
    return bytes;
}

void CommControl::CheckReceive() {
    if (!portOpen_ || lost_ || !port_ || rThreshold_ <= 0) {
        return;
    }
    if (WaitingBytes() < rThreshold_) {
        return;
    }
    RaiseCommEvent(kEvReceive);
}

void CommControl::FollowParity(char parity) {
    marked_ = MarkParityErrors(port_->handle(), parity != 'n');
}

qint64 CommControl::WaitingBytes() const {
    if (!marked_) {
        return port_->bytesAvailable();
    }
    // A mark begun but not ended is no byte yet.
    const QByteArray raw = port_->peek(port_->bytesAvailable());
    return static_cast<qint64>(marks_.Count(reinterpret_cast<const unsigned char*>(raw.constData()),
                                            static_cast<size_t>(raw.size())));
}

ByteArray CommControl::ReadUnmarked() {
    const QByteArray raw = port_->peek(port_->bytesAvailable());
    ByteArray bytes;
    const size_t limit = inputLen_ > 0 ? static_cast<size_t>(inputLen_) : SIZE_MAX;
    const size_t taken = marks_.Read(reinterpret_cast<const unsigned char*>(raw.constData()),
                                     static_cast<size_t>(raw.size()), bytes, limit);
    port_->skip(static_cast<qint64>(taken));
    return bytes;
}

void CommControl::RaiseCommEvent(short commEvent) {
    RequireOwnerThread(this, "CommControl::RaiseCommEvent");
    if (inEvent_) {
        // No event while the handler of the last one runs (a message box it
        // shows runs a nested loop); what arrived is reported once it returns.
        return;
    }
    commEvent_ = commEvent;
    inEvent_ = true;
    QPointer<CommControl> self(this);
    emit onComm();
    if (!self) {
        return;
    }
    inEvent_ = false;
    // Bytes read in while the handler ran (the port reports no new arrival
    // during its own notification) get one event now.
    QueueReceiveCheck();
}

void CommControl::QueueReceiveCheck() {
    if (checkQueued_) {
        return;
    }
    checkQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        checkQueued_ = false;
        CheckReceive();
    });
}
