#include <gtest/gtest.h>
#include <termios.h>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <functional>

#include "serial/CommControlSite.h"
#include "serial/MSComm.h"
#include "serial/SerialControlClass.h"
#include "support/Pty.h"

namespace {

// A serial control opened on COM2, which points at a fresh pseudo-terminal.
class CommControlTest : public ::testing::Test {
protected:
    CommControlTest() : mapping_(2, pty_.path()) {
        comm_.AttachWidget(&site_);
        QObject::connect(&site_, &HostedControl::controlEvent, [this](int number) {
            EXPECT_EQ(number, EVENT_ONCOMM);
            ++events_;
            if (onEvent_) {
                onEvent_();
            }
        });
    }

    void Open(const std::string& settings = "9600,n,8,1", short handshaking = 0) {
        comm_.SetCommPort(2);
        comm_.SetSettings(settings);
        comm_.SetHandshaking(handshaking);
        comm_.SetInputMode(1);
        comm_.SetPortOpen(true);
    }

    Pty pty_;
    ComMapping mapping_;
    CommControlSite site_{nullptr};
    CMSComm comm_;
    int events_ = 0;
    std::function<void()> onEvent_;
};

TEST_F(CommControlTest, OpensWithTheLineSettings) {
    Open("2400,n,8,2", 2);
    EXPECT_TRUE(comm_.GetPortOpen());
    const termios t = pty_.LineSettings();
    EXPECT_EQ(cfgetospeed(&t), B2400);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
}

// A UART sends 1.5 stop bits only with 5 data bits, where its two-stop-bits
// setting gives 1.5: 1.5 needs 5 data bits, and 2 needs 6 to 8.
TEST_F(CommControlTest, StopBitsOnlyAsTheLineCanSendThem) {
    struct Case {
        std::string settings;
        const char* refusal;  // nullptr: opens, with the two-stop-bits setting
    };
    const Case cases[] = {
        {"1200,n,5,1.5", nullptr},
        {"1200,n,8,1.5", "1.5 stop bits need 5 data bits"},
        {"1200,n,6,1.5", "1.5 stop bits need 5 data bits"},
        {"1200,n,6,2", nullptr},
        {"1200,e,8,2", nullptr},
        {"1200,n,5,2", "2 stop bits need 6 to 8 data bits"},
        {"1200,e,5,2", "2 stop bits need 6 to 8 data bits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        try {
            Open(c.settings);
            EXPECT_EQ(c.refusal, nullptr) << "opened";
            EXPECT_TRUE(pty_.LineSettings().c_cflag & CSTOPB);
        } catch (const ControlError& e) {
            ASSERT_NE(c.refusal, nullptr) << e.description();
            EXPECT_EQ(e.code(), kErrSettings);
            EXPECT_NE(e.description().find(c.refusal), std::string::npos) << e.description();
            EXPECT_FALSE(comm_.GetPortOpen());
        }
        comm_.SetPortOpen(false);
    }
}

TEST_F(CommControlTest, RefusesWhatItCannotDo) {
    struct Refusal {
        const char* what;
        std::function<void()> act;
        int code;
    };
    const Refusal closed[] = {
        {"output while closed", [&] { comm_.SetOutput(BytesOf("x")); }, kErrPortNotOpen},
        {"input while closed", [&] { comm_.GetInput(); }, kErrPortNotOpen},
        {"bad settings", [&] { comm_.SetSettings("9600,n,8"); }, kErrInvalidPropertyValue},
        {"four data bits", [&] { comm_.SetSettings("9600,n,4,1"); }, kErrInvalidPropertyValue},
        {"port 0", [&] { comm_.SetCommPort(0); }, kErrInvalidPort},
    };
    for (const Refusal& r : closed) {
        try {
            r.act();
            ADD_FAILURE() << r.what << " was accepted";
        } catch (const ControlError& e) {
            EXPECT_EQ(e.code(), r.code) << r.what;
            EXPECT_FALSE(e.description().empty()) << r.what;
        }
    }
    EXPECT_EQ(comm_.GetSettings(), "9600,n,8,1") << "a refused put changes nothing";

    Open();
    const Refusal open[] = {
        {"open twice", [&] { comm_.SetPortOpen(true); }, kErrPortAlreadyOpen},
        {"port while open", [&] { comm_.SetCommPort(3); }, kErrPortOpen},
        {"buffer size while open", [&] { comm_.SetInBufferSize(1024); }, kErrPortOpen},
    };
    for (const Refusal& r : open) {
        try {
            r.act();
            ADD_FAILURE() << r.what << " was accepted";
        } catch (const ControlError& e) {
            EXPECT_EQ(e.code(), r.code) << r.what;
        }
    }
    EXPECT_TRUE(comm_.GetPortOpen());
}

TEST_F(CommControlTest, AbsentDeviceIsRefusedWithItsPath) {
    ComMapping absent(3, "/dev/tessaline-no-such-device");
    comm_.SetCommPort(3);
    try {
        comm_.SetPortOpen(true);
        FAIL() << "opened an absent device";
    } catch (const ControlError& e) {
        EXPECT_EQ(e.code(), kErrInvalidPort);
        EXPECT_NE(e.description().find("Invalid port number"), std::string::npos);
        EXPECT_NE(e.description().find("/dev/tessaline-no-such-device"), std::string::npos);
    }
    EXPECT_FALSE(comm_.GetPortOpen());
}

TEST_F(CommControlTest, DefaultDeviceIsTheSystemsComPort) {
    EXPECT_EQ(CommControl::DevicePath(2), pty_.path());
    EXPECT_EQ(CommControl::DevicePath(4), "/dev/ttyS3");
}

TEST_F(CommControlTest, OutputReachesTheDevice) {
    Open();
    comm_.SetOutput(BytesOf("AB\x00\xFF"));
    EXPECT_EQ(pty_.Read(1000, 4), BytesOf("AB\x00\xFF"));
    comm_.SetOutBufferCount(0);
    comm_.SetOutput(ByteArray());
    EXPECT_TRUE(pty_.Read(100).empty());
}

TEST_F(CommControlTest, InputTakesEverythingWaiting) {
    Open();
    comm_.SetInputLen(0);
    comm_.SetRThreshold(1);
    ByteArray sent;
    for (int i = 0; i < 300; ++i) {
        sent.push_back(static_cast<unsigned char>(i));
    }
    onEvent_ = [this] { comm_.SetRThreshold(0); };
    pty_.Write(sent);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events_ > 0; }, 2000));
    QTest::qWait(100);  // let the rest arrive
    EXPECT_EQ(comm_.GetCommEvent(), CommControl::kEvReceive);
    EXPECT_EQ(comm_.GetInput(), sent);
    EXPECT_TRUE(comm_.GetInput().empty());
}

TEST_F(CommControlTest, InBufferCountZeroDiscards) {
    Open();
    pty_.Write("discard me");
    ASSERT_TRUE(QTest::qWaitFor([&] { return comm_.GetInBufferCount() == 10; }, 2000));
    comm_.SetInBufferCount(0);
    EXPECT_EQ(comm_.GetInBufferCount(), 0);
    EXPECT_TRUE(comm_.GetInput().empty());
}

TEST_F(CommControlTest, ThresholdZeroSilencesTheEvent) {
    Open();
    comm_.SetRThreshold(0);
    pty_.Write("quiet");
    QTest::qWait(200);
    EXPECT_EQ(events_, 0);
    // Re-arming reports what already waits.
    comm_.SetRThreshold(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return events_ == 1; }, 1000));
}

TEST_F(CommControlTest, NoEventWhileItsHandlerRuns) {
    Open();
    comm_.SetRThreshold(1);
    int depth = 0;
    int deepest = 0;
    onEvent_ = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (events_ == 1) {
            // A message box in the handler runs a nested loop while data keeps coming.
            pty_.Write("more");
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        }
        comm_.GetInput();
        --depth;
    };
    pty_.Write("first");
    ASSERT_TRUE(QTest::qWaitFor([&] { return events_ >= 1; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(deepest, 1) << "an event ran inside the handler of another";
    EXPECT_EQ(events_, 1) << "the handler read everything, so nothing is left to report";
}

TEST_F(CommControlTest, WhatArrivedDuringTheHandlerIsReportedAfterIt) {
    Open();
    comm_.SetRThreshold(1);
    onEvent_ = [&] {
        if (events_ == 1) {
            comm_.GetInput();
            pty_.Write("late");
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        }
    };
    pty_.Write("early");
    ASSERT_TRUE(QTest::qWaitFor([&] { return events_ >= 2; }, 3000));
    EXPECT_EQ(comm_.GetInput(), BytesOf("late"));
}

TEST_F(CommControlTest, DeviceGoneLeavesAPortThatClosesCleanly) {
    Open();
    comm_.SetRThreshold(1);
    pty_.CloseMaster();
    QTest::qWait(300);
    EXPECT_TRUE(comm_.GetPortOpen());
    EXPECT_THROW(comm_.SetOutput(BytesOf("x")), ControlError);
    comm_.SetPortOpen(false);
    EXPECT_FALSE(comm_.GetPortOpen());
}

}  // namespace
