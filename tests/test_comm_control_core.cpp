#include <gtest/gtest.h>
#include <QTest>

#include <functional>
#include <set>
#include <string>

#include "serial/CommControl.h"
#include "support/Pty.h"

// The serial control on its own, as a program without a display uses it: a
// QCoreApplication, no widgets and no dialog linked.
namespace {

class BareCommControl : public ::testing::Test {
protected:
    BareCommControl() : mapping_(2, pty_.path()) {
        QObject::connect(&control_, &CommControl::onComm, [this] { ++events_; });
        control_.SetCommPort(2);
    }

    Pty pty_;
    ComMapping mapping_;
    CommControl control_;
    int events_ = 0;
};

TEST_F(BareCommControl, TalksBothWaysAndRaisesOnComm) {
    control_.SetRThreshold(1);
    control_.SetPortOpen(true);
    pty_.Write("ping");
    ASSERT_TRUE(QTest::qWaitFor([&] { return events_ > 0; }, 2000));
    EXPECT_EQ(control_.GetCommEvent(), CommControl::kEvReceive);
    ASSERT_TRUE(QTest::qWaitFor([&] { return control_.GetInBufferCount() == 4; }, 2000));
    EXPECT_EQ(control_.GetInput(), BytesOf("ping"));
    control_.SetOutput(BytesOf("pong"));
    EXPECT_EQ(pty_.Read(1000, 4), BytesOf("pong"));
}

// The texts the operator reads when the control refuses, word for word.
TEST_F(BareCommControl, RefusesWithItsCodeAndText) {
    struct Refusal {
        std::function<void()> act;
        CommErrorCode code;
        std::string text;  // "PTY" stands for the pseudo-terminal's path
    };
    const std::string absent = "/dev/tessaline-no-such-device";
    const ComMapping absentDevice(3, absent);
    CommControl& c = control_;
    const Refusal refusals[] = {
        {[&] { c.SetSettings("9600,n,8"); }, kErrInvalidPropertyValue, "Invalid property value"},
        {[&] { c.SetSettings("9600,n,4,1"); }, kErrInvalidPropertyValue,
         "Invalid property value: the port cannot send 4 data bits"},
        {[&] { c.SetHandshaking(3); }, kErrInvalidPropertyValue, "Invalid property value"},
        {[&] { c.SetCommPort(17); }, kErrInvalidPort, "Invalid port number"},
        {[&] { c.SetOutput(BytesOf("x")); }, kErrPortNotOpen,
         "Operation valid only when the port is open"},
        {[&] {
             c.SetSettings("1200,n,8,1.5");
             c.SetPortOpen(true);
         },
         kErrSettings,
         "The parameter is incorrect: 1.5 stop bits need 5 data bits (COM2, "
         "1200,n,8,1.5)"},
        {[&] {
             c.SetSettings("9600,n,8,1");
             c.SetCommPort(3);
             c.SetPortOpen(true);
         },
         kErrInvalidPort,
         "Invalid port number: COM3 (" + absent +
             ": No such file or directory; tessaline --list-ports shows the serial ports)"},
        {[&] {
             c.SetCommPort(2);
             c.SetPortOpen(true);
             c.SetPortOpen(true);
         },
         kErrPortAlreadyOpen, "Port already open"},
        {[&] { c.SetInBufferSize(512); }, kErrPortOpen,
         "Operation not valid while the port is open"},
        {[&] { c.SetOutBufferCount(1); }, kErrInvalidPropertyValue, "Invalid property value"},
        {[&] {
             pty_.CloseMaster();
             QTest::qWait(300);
             c.GetInBufferCount();
         },
         kErrDeviceLost, "The device of COM2 (PTY) is gone"},
    };
    for (const Refusal& r : refusals) {
        std::string expected = r.text;
        if (const size_t at = expected.find("PTY"); at != std::string::npos) {
            expected.replace(at, 3, pty_.path());
        }
        try {
            r.act();
            ADD_FAILURE() << "accepted: " << expected;
        } catch (const CommError& e) {
            EXPECT_EQ(e.code(), r.code) << expected;
            EXPECT_EQ(e.what(), expected);
        }
    }
}

TEST(CommRefusals, EachHasItsOwnTextWithTheDetailsAsGiven) {
    std::set<std::string> texts;
    for (int r = 0; r <= static_cast<int>(CommRefusal::ControlGone); ++r) {
        texts.insert(DescribeRefusal(static_cast<CommRefusal>(r), {"%1", "%2", "%3"}).what());
    }
    EXPECT_EQ(texts.size(), static_cast<size_t>(CommRefusal::ControlGone) + 1)
        << "a refusal without a row of its own";
    // A detail is put in as it is, even when it looks like a placeholder.
    EXPECT_STREQ(DescribeRefusal(CommRefusal::WriteFailed, {"/dev/%2", "gone"}).what(),
                 "Cannot write to /dev/%2: gone");
}

}  // namespace
