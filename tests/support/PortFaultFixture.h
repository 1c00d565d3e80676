#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include "support/DeviceListener.h"
#include "support/ProcessProbes.h"
#include "support/Pty.h"
#include "support/WindowFixture.h"
#include "support/WindowProbes.h"

// The analysis window facing faults of its port, with the helpers the fault
// tests share.

// Writes a line of data to the device end every few milliseconds until it
// goes; what the line cannot take is dropped, as a device would lose it.
class Chatter {
public:
    explicit Chatter(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~Chatter() {
        stop_ = true;
        thread_.join();
    }
    Chatter(const Chatter&) = delete;
    Chatter& operator=(const Chatter&) = delete;

private:
    void Run() {
        static const char kLine[] = "0123456789\r\n";
        while (!stop_) {
            [[maybe_unused]] ssize_t n = ::write(fd_, kLine, sizeof kLine - 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    const int fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The analysis window with COM2 mapped to a pseudo-terminal whose device end
// the test plays; the device can be unplugged and a new one plugged in.
class PortFaults : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        PlugInNewDevice();
    }

    void TearDown() override {
        listener_.reset();
        WindowFixture::TearDown();
    }

    // A device on COM2 that reads what the program sends, as a new one plugged in.
    void PlugInNewDevice(bool listening = true) {
        listener_.reset();
        mapping_.reset();
        device_.emplace();
        mapping_.emplace(2, device_->path());
        if (listening) {
            listener_.emplace(device_->master());
        }
    }

    // The device goes away: the far end of its line closes.
    void Unplug() {
        listener_.reset();  // it reads the end that closes
        device_->CloseMaster();
    }

    void Open() {
        Click(IDC_OPEN);
        ASSERT_EQ(dlg->m_bPortOpen, 1);
        ASSERT_TRUE(dlg->m_ctrlComm.GetPortOpen());
    }

    // The control reports the device gone.
    bool Lost() const {
        try {
            dlg->m_ctrlComm.GetInBufferCount();
            return false;
        } catch (const ControlError& e) {
            return e.code() == kErrDeviceLost;
        }
    }

    // With nothing left to do after a fault, the program stays idle: a
    // notifier firing without end would burn a whole core.
    void ExpectIdle() {
        Pump(100);
        const double before = CpuSeconds();
        const Clock::time_point start = Clock::now();
        Idle(1000);
        const double cpu = CpuSeconds() - before;
        const double wall = double(Ms(Clock::now() - start)) / 1000.0;
        std::cout << "CPU " << int(cpu * 1000) << " ms in " << int(wall * 1000) << " ms\n";
        EXPECT_LT(cpu, 0.4 * wall) << "the program keeps busy with nothing to do";
    }

    // The port opens and data flows both ways; then "CLOSE".
    void ExpectOpenAndTalk() {
        ASSERT_NO_FATAL_FAILURE(Open());
        dlg->SetDlgItemText(IDC_RECEIVETEXT, "");
        device_->Write("back");
        EXPECT_TRUE(WaitUntil([&] { return Shown(IDC_RECEIVETEXT).endsWith("back"); }))
            << Shown(IDC_RECEIVETEXT).toStdString();
        listener_->Clear();
        Edit(IDC_SENDTEXT)->setText("hello");
        Check(IDC_SENDHEX)->setChecked(false);
        Click(IDC_MANUALSEND);
        EXPECT_TRUE(WaitUntil([&] { return listener_->Count() >= 5; }));
        EXPECT_EQ(listener_->Bytes(), ByteArray({'h', 'e', 'l', 'l', 'o'}));
        Click(IDC_CLOSE);
        EXPECT_TRUE(WaitUntil([&] { return Running() == 0; }));
    }

    // "CLOSE" ends the lost port; a new device then works.
    void ExpectANewDeviceWorks() {
        Click(IDC_CLOSE);
        EXPECT_EQ(dlg->m_bPortOpen, 0);
        EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
        ExpectEnabled(kLineControls, true);
        PlugInNewDevice();
        ExpectOpenAndTalk();
    }

    // "OPEN" fails: one stop-icon box with the control's description, which
    // names the device and gives the reason. The port stays closed and the
    // lists stay with the operator.
    void ExpectOpenRefused(const std::string& reason) {
        messages.clear();
        Click(IDC_OPEN);
        ASSERT_EQ(messages.size(), 1u);
        const std::string& text = messages[0].text;
        EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
        EXPECT_NE(text.find(device_->path()), std::string::npos) << text;
        EXPECT_NE(text.find(reason), std::string::npos) << text;
        std::cout << "refused: " << text << "\n";
        EXPECT_EQ(dlg->m_bPortOpen, 0);
        EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
        ExpectEnabled(kLineControls, true);
        messages.clear();
    }

    std::optional<Pty> device_;
    std::optional<ComMapping> mapping_;
    std::optional<DeviceListener> listener_;
};
