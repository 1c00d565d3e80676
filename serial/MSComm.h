#pragma once

#include <QPointer>
#include <string>

#include "platform/dialog/BindableControl.h"
#include "serial/CommControl.h"

// The window's handle on its serial control. It keeps no state of its own: each
// operation is one property put or get on the bound control. Operations raise
// ControlError when the control refuses them.
class CMSComm : public BindableControl {
public:
    bool AttachWidget(QWidget* widget) override;
    bool IsBound() const override { return !control_.isNull(); }
    CommControl* control() const { return control_; }

    void SetCommPort(short value) { Control().SetCommPort(value); }
    short GetCommPort() const { return Control().GetCommPort(); }
    void SetInBufferSize(short value) { Control().SetInBufferSize(value); }
    short GetInBufferSize() const { return Control().GetInBufferSize(); }
    void SetInBufferCount(short value) { Control().SetInBufferCount(value); }
    short GetInBufferCount() const { return Control().GetInBufferCount(); }
    void SetInputLen(short value) { Control().SetInputLen(value); }
    short GetInputLen() const { return Control().GetInputLen(); }
    void SetOutBufferSize(short value) { Control().SetOutBufferSize(value); }
    short GetOutBufferSize() const { return Control().GetOutBufferSize(); }
    void SetOutBufferCount(short value) { Control().SetOutBufferCount(value); }
    short GetOutBufferCount() const { return Control().GetOutBufferCount(); }
    void SetPortOpen(bool value) { Control().SetPortOpen(value); }
    bool GetPortOpen() const { return Control().GetPortOpen(); }
    void SetRThreshold(short value) { Control().SetRThreshold(value); }
    short GetRThreshold() const { return Control().GetRThreshold(); }
    void SetSettings(const std::string& value) { Control().SetSettings(value); }
    std::string GetSettings() const { return Control().GetSettings(); }
    void SetOutput(const ByteArray& value) { Control().SetOutput(value); }
    ByteArray GetInput() { return Control().GetInput(); }
    short GetCommEvent() const { return Control().GetCommEvent(); }
    void SetInputMode(long value) { Control().SetInputMode(value); }
    long GetInputMode() const { return Control().GetInputMode(); }
    void SetHandshaking(short value) { Control().SetHandshaking(value); }
    short GetHandshaking() const { return Control().GetHandshaking(); }

private:
    CommControl& Control() const;
    QPointer<CommControl> control_;
};
