#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "platform/text/ByteArray.h"
#include "serial/CommErrors.h"
#include "serial/CommSettings.h"

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
    short GetCommPort() const { return commPort_; }
    void SetInBufferSize(short size);
    short GetInBufferSize() const { return inBufferSize_; }
    void SetInBufferCount(short count);
    short GetInBufferCount() const;
    void SetInputLen(short length);
    short GetInputLen() const { return inputLen_; }
    void SetOutBufferSize(short size);
    short GetOutBufferSize() const { return outBufferSize_; }
    void SetOutBufferCount(short count);
    short GetOutBufferCount() const;
    void SetPortOpen(bool open);
    bool GetPortOpen() const { return portOpen_; }
    void SetRThreshold(short threshold);
    short GetRThreshold() const { return rThreshold_; }
    void SetSettings(const std::string& settings);
    std::string GetSettings() const { return settings_; }
    void SetOutput(const ByteArray& bytes);
    ByteArray GetInput();
    short GetCommEvent() const { return commEvent_; }
    void SetInputMode(long mode);
    long GetInputMode() const { return inputMode_; }
    // 0 none, 1 XON/XOFF, 2 RTS/CTS.
    void SetHandshaking(short handshaking);
    short GetHandshaking() const { return handshaking_; }

    // The device a port number opens: TESSALINE_COMn when set, else the
    // system's own device for COMn.
    static std::string DevicePath(int port);

    // Raises OnComm with the given CommEvent, as the port does on its own.
    void RaiseCommEvent(short commEvent);

signals:
    // OnComm: GetCommEvent() says what happened.
    void onComm();

private:
    void RequireOpen() const;
    void RequireClosed() const;
    // The port is open and its device still there.
    bool PortUsable() const;
    void OpenPort();
    void ClosePort();
    void OnPortError(int error);
    void CheckReceive();
    void QueueReceiveCheck();

    QPointer<QSerialPort> port_;
    std::string devicePath_;
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
};
