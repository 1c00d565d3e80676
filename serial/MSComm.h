#pragma once

#include <QPointer>
#include <functional>
#include <string>
#include <type_traits>

#include "platform/dialog/BindableControl.h"
#include "serial/CommControl.h"
#include "serial/CommControlSite.h"

// The window's handle on its serial control, bound to the control's site. It
// keeps no state of its own: each operation is one property put or get on the
// control. Operations raise ControlError when the control refuses them.
class CMSComm : public BindableControl {
public:
    bool AttachWidget(QWidget* widget) override;
    bool IsBound() const override { return !site_.isNull(); }
    CommControlSite* site() const { return site_; }
    CommControl* control() const { return site_ ? &site_->control() : nullptr; }

    void SetCommPort(short value) { Call(&CommControl::SetCommPort, value); }
    short GetCommPort() const { return Call(&CommControl::GetCommPort); }
    void SetInBufferSize(short value) { Call(&CommControl::SetInBufferSize, value); }
    short GetInBufferSize() const { return Call(&CommControl::GetInBufferSize); }
    void SetInBufferCount(short value) { Call(&CommControl::SetInBufferCount, value); }
    short GetInBufferCount() const { return Call(&CommControl::GetInBufferCount); }
    void SetInputLen(short value) { Call(&CommControl::SetInputLen, value); }
    short GetInputLen() const { return Call(&CommControl::GetInputLen); }
    void SetOutBufferSize(short value) { Call(&CommControl::SetOutBufferSize, value); }
    short GetOutBufferSize() const { return Call(&CommControl::GetOutBufferSize); }
    void SetOutBufferCount(short value) { Call(&CommControl::SetOutBufferCount, value); }
    short GetOutBufferCount() const { return Call(&CommControl::GetOutBufferCount); }
    void SetPortOpen(bool value) { Call(&CommControl::SetPortOpen, value); }
    bool GetPortOpen() const { return Call(&CommControl::GetPortOpen); }
    void SetRThreshold(short value) { Call(&CommControl::SetRThreshold, value); }
    short GetRThreshold() const { return Call(&CommControl::GetRThreshold); }
    void SetSettings(const std::string& value) { Call(&CommControl::SetSettings, value); }
    std::string GetSettings() const { return Call(&CommControl::GetSettings); }
    void SetOutput(const ByteArray& value) { Call(&CommControl::SetOutput, value); }
    ByteArray GetInput() { return Call(&CommControl::GetInput); }
    short GetCommEvent() const { return Call(&CommControl::GetCommEvent); }
    void SetInputMode(long value) { Call(&CommControl::SetInputMode, value); }
    long GetInputMode() const { return Call(&CommControl::GetInputMode); }
    void SetHandshaking(short value) { Call(&CommControl::SetHandshaking, value); }
    short GetHandshaking() const { return Call(&CommControl::GetHandshaking); }
    void SetAnyBaudRate(bool value) { Call(&CommControl::SetAnyBaudRate, value); }
    bool GetAnyBaudRate() const { return Call(&CommControl::GetAnyBaudRate); }

private:
    // One put or get on the control; its refusal reaches the dialog as the
    // hosted control's error.
    template <class Method, class... Values>
    std::invoke_result_t<Method, CommControl&, const Values&...> Call(
        Method method, const Values&... values) const {
        try {
            return std::invoke(method, Control(), values...);
        } catch (const CommError& error) {
            throw ControlError(error.code(), error.what());
        }
    }
    CommControl& Control() const;

    QPointer<CommControlSite> site_;
};
