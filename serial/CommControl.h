#pragma once

#include <QObject>
#include <QPointer>
#include <optional>
#include <string>

#include "platform/text/ByteArray.h"
#include "platform/threads/ThreadCheck.h"
#include "serial/CommErrors.h"
#include "serial/CommSettings.h"
#include "serial/CommTraffic.h"
#include "serial/ParityMarks.h"

class QSerialPort;

// The serial control: the port itself, with its properties and its OnComm
// event, on QSerialPort. It needs no window: a dialog hosts it through its
// site (CommControlSite), a program without a display uses it directly. It
// must only be used on the thread that owns it; checked builds stop at a call
// from another. A property it cannot take, or an operation it cannot do, is
// refused with a CommError.
class CommControl : public QObject {
    Q_OBJECT
public:
    // CommEvent values.
    static constexpr short kEvReceive = 2;

    explicit CommControl(QObject* parent = nullptr);
    ~CommControl() override;

    void SetCommPort(short port);
    short GetCommPort() const { return OnOwnerThread(commPort_, "CommControl::GetCommPort"); }
    void SetInBufferSize(short size);
    short GetInBufferSize() const {
        return OnOwnerThread(inBufferSize_, "CommControl::GetInBufferSize");
    }
    void SetInBufferCount(short count);
    short GetInBufferCount() const;
    void SetInputLen(short length);
    short GetInputLen() const { return OnOwnerThread(inputLen_, "CommControl::GetInputLen"); }
    void SetOutBufferSize(short size);
    short GetOutBufferSize() const {
        return OnOwnerThread(outBufferSize_, "CommControl::GetOutBufferSize");
    }
    void SetOutBufferCount(short count);
    short GetOutBufferCount() const;
    void SetPortOpen(bool open);
    bool GetPortOpen() const { return OnOwnerThread(portOpen_, "CommControl::GetPortOpen"); }
    void SetRThreshold(short threshold);
    short GetRThreshold() const { return OnOwnerThread(rThreshold_, "CommControl::GetRThreshold"); }
    void SetSettings(const std::string& settings);
    std::string GetSettings() const { return OnOwnerThread(settings_, "CommControl::GetSettings"); }
    void SetOutput(const ByteArray& bytes);
    ByteArray GetInput();
    short GetCommEvent() const { return OnOwnerThread(commEvent_, "CommControl::GetCommEvent"); }
    void SetInputMode(long mode);
    long GetInputMode() const { return OnOwnerThread(inputMode_, "CommControl::GetInputMode"); }
    // 0 none, 1 XON/XOFF, 2 RTS/CTS.
    void SetHandshaking(short handshaking);
    short GetHandshaking() const {
        return OnOwnerThread(handshaking_, "CommControl::GetHandshaking");
    }

    // Opens this device instead of the one the port number maps to, when not
    // empty; refusals then name the port by its path as given. A relative
    // path is resolved by ResolveDevicePath (DevicePath.h) when the port opens;
    // resolve it where it is read to keep it from the folder of that moment.
    // Only while closed.
    void SetDevicePath(const std::string& path);
    std::string GetDevicePath() const {
        return OnOwnerThread(chosenDevice_, "CommControl::GetDevicePath");
    }
    // Lets the settings give any baud rate from 1 up, not only the control's
    // own list, for ports that take others (250000, 921600).
    void SetAnyBaudRate(bool any);
    bool GetAnyBaudRate() const {
        return OnOwnerThread(anyBaudRate_, "CommControl::GetAnyBaudRate");
    }

    // The device a port number opens: a command line's mapping, else
    // TESSALINE_COMn when set, else the system's own device for COMn.
    static std::string DevicePath(int port);

    // Reports openings, closings and the bytes that cross the control to
    // `observer` (none: nullptr), which must outlive the control or be
    // replaced first.
    void SetTrafficObserver(CommTrafficObserver* observer);

    // Raises OnComm with the given CommEvent, as the port does on its own.
    void RaiseCommEvent(short commEvent);

signals:
    // OnComm: GetCommEvent() says what happened.
    void onComm();
    // The device went away while the port was open; from now on the port
    // refuses reads and writes with CommRefusal::DeviceGone.
    void deviceLost();

private:
    // A property's value, read on the owner's thread only.
    template <class Value>
    const Value& OnOwnerThread(const Value& value, const char* call) const {
        RequireOwnerThread(this, call);
        return value;
    }
    void RequireOpen() const;
    void RequireClosed() const;
    std::optional<CommSettings> ParseSettings(const std::string& settings) const;
    // The port as refusals name it: COMn, or the device path chosen.
    std::string PortLabel() const;
    PortNaming Naming() const;
    // The port is open and its device still there.
    bool PortUsable() const;
    void OpenPort();
    void ClosePort();
    void OnPortError(int error);
    void CheckReceive();
    void QueueReceiveCheck();
    // Received bytes with a parity error are replaced by "?" as they are read.
    void FollowParity(char parity);
    // Bytes waiting in the port's buffer, and reading them, marks undone.
    qint64 WaitingBytes() const;
    ByteArray ReadUnmarked();
    // Hands the observer what waits to be read, before a discard.
    void ReportWaitingInput();

    QPointer<QSerialPort> port_;
    std::string devicePath_;    // the device opened
    std::string chosenDevice_;  // SetDevicePath
    bool anyBaudRate_ = false;
    short commPort_ = 1;
    short inBufferSize_ = 1024;
    short outBufferSize_ = 512;
    short inputLen_ = 0;
    short rThreshold_ = 0;
    short handshaking_ = 0;
    long inputMode_ = 0;
    std::string settings_ = "9600,n,8,1";
    bool portOpen_ = false;
    bool lost_ = false;  // the device went away; the port counts as open until closed
    short commEvent_ = 0;
    bool inEvent_ = false;
    bool checkQueued_ = false;
    bool marked_ = false;  // the terminal marks parity errors
    ParityMarkReader marks_;
    CommTrafficObserver* traffic_ = nullptr;
};
