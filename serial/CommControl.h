#pragma once

#include <QByteArray>
#include <QPointer>
#include <string>
#include <vector>

#include "platform/dialog/HostedControl.h"
#include "serial/CommSettings.h"

class QSerialPort;

using ByteArray = std::vector<unsigned char>;

// Error codes the serial control raises, with its own descriptions.
enum CommErrorCode {
    kErrInvalidPropertyValue = 380,
    kErrPortOpen = 8000,         // operation not valid while the port is open
    kErrInvalidPort = 8002,      // no such port
    kErrPortAlreadyOpen = 8005,  // open twice, or held by another program
    kErrPortNotOpen = 8018,      // operation valid only when the port is open
    kErrDeviceLost = 8020,       // the device went away while open
    kErrSettings = 8015,         // the port refused its line settings
};

// The serial control that the analysis window hosts: the port itself, with its
// properties and its OnComm event, on QSerialPort. It lives on the window's
// thread and must only be used from there.
class CommControl : public HostedControl {
    Q_OBJECT
public:
    // CommEvent values.
    static constexpr short kEvReceive = 2;

    explicit CommControl(QWidget* parent = nullptr);
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
    // platform's own name for COMn.
    static std::string DevicePath(int port);

    // Raises OnComm with the given CommEvent, as the port does on its own.
    void RaiseCommEvent(short commEvent);

private:
    [[noreturn]] void Refuse(int code, const std::string& description) const;
    void RequireOpen() const;
    void RequireClosed() const;
    void OpenPort();
    void ClosePort();
    void OnReadyRead();
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

// Registers the serial control so that dialogs can host it.
void RegisterSerialControl();
