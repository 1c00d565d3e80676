#include <gtest/gtest.h>
#include <termios.h>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "serial/CommControl.h"
#include "support/LineSpeed.h"
#include "support/Pty.h"
#include "support/TempDir.h"

// The serial control on its own, as a program without a display uses it: a
// QCoreApplication, no widgets and no dialog linked.
namespace {

class BareCommControl : public ::testing::Test {
protected:
    BareCommControl() : mapping_(2, pty_.path()) {
        QObject::connect(&control_, &CommControl::onComm, [this] { ++events_; });
        control_.SetCommPort(2);
    }

    // Input until `count` bytes came or 2 s passed. The buffer count also
    // holds what the driver has and the port has not read yet, which Input
    // cannot give before the event loop lets the port read it.
    ByteArray InputOf(size_t count) {
        ByteArray got;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                const ByteArray more = control_.GetInput();
                got.insert(got.end(), more.begin(), more.end());
                return got.size() >= count;
            },
            2000));
        return got;
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
    EXPECT_EQ(InputOf(4), BytesOf("ping"));
    control_.SetOutput(BytesOf("pong"));
    EXPECT_EQ(pty_.Read(1000, 4), BytesOf("pong"));
}

// With parity, the terminal checks each received byte and marks a bad one,
// which the control reads as "?"; a real 0xFF comes doubled and is read as
// one. Without parity the bytes come as they are. A pseudo-terminal has no
// parity errors, but it keeps the flags and doubles 0xFF.
TEST_F(BareCommControl, ChecksParityOnInputWhenTheLineHasParity) {
    struct Case {
        const char* name;
        std::string settings;
        std::function<void(CommControl&)> whileOpen;
        bool checked;
    };
    const Case cases[] = {
        {"even", "9600,e,8,1", nullptr, true},
        {"odd", "1200,o,7,2", nullptr, true},
        {"mark", "9600,m,8,1", nullptr, true},
        {"space", "9600,s,7,1", nullptr, true},
        {"none", "9600,n,8,1", nullptr, false},
        {"parity set while open", "9600,n,8,1", [](CommControl& c) { c.SetSettings("9600,e,8,1"); },
         true},
        {"parity changed while open", "9600,e,8,1",
         [](CommControl& c) { c.SetSettings("2400,o,8,1"); }, true},
        {"parity dropped while open", "9600,e,8,1",
         [](CommControl& c) { c.SetSettings("9600,n,8,1"); }, false},
        {"handshaking set while open", "9600,e,8,1", [](CommControl& c) { c.SetHandshaking(2); },
         true},
    };
    const ByteArray sent = {0x41, 0xFF, 0x00, 0xFF, 0x42};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control_.SetSettings(c.settings);
        control_.SetPortOpen(true);
        if (c.whileOpen) {
            c.whileOpen(control_);
        }
        const tcflag_t in = pty_.LineSettings().c_iflag;
        if (c.checked) {
            EXPECT_EQ(in & (INPCK | PARMRK), tcflag_t(INPCK | PARMRK));
            EXPECT_EQ(in & (IGNPAR | ISTRIP), 0u);
        } else {
            EXPECT_EQ(in & (INPCK | PARMRK), 0u);
        }
        pty_.Write(sent);
        EXPECT_EQ(InputOf(sent.size()), sent);
        control_.SetPortOpen(false);
        control_.SetHandshaking(0);
    }
}

// Keeps what the control reports it discarded.
class DiscardRecorder : public CommTrafficObserver {
public:
    void PortOpened(const PortOpening&) override {}
    void PortClosed(short, const std::string&) override {}
    void BytesReceived(const ByteArray&) override {}
    void BytesSent(const ByteArray&) override {}
    void BytesDiscarded(const ByteArray& bytes) override {
        dropped.insert(dropped.end(), bytes.begin(), bytes.end());
    }
    ByteArray dropped;
};

// InBufferCount 0 throws away all that waits, what the driver still holds
// included, whether an observer watches or not: watching must not change what
// a flooding device gets through. The observer hears of the bytes that could
// be read before they went.
TEST_F(BareCommControl, DiscardTakesAllThatWaitsWithOrWithoutAnObserver) {
    for (const bool observed : {false, true}) {
        SCOPED_TRACE(observed ? "observed" : "not observed");
        DiscardRecorder recorder;
        control_.SetTrafficObserver(observed ? &recorder : nullptr);
        control_.SetPortOpen(true);
        // As much as the line takes: far more than a reader gets at once.
        ByteArray sent;
        for (;;) {
            unsigned char chunk[4096];
            for (size_t i = 0; i < sizeof chunk; ++i) {
                chunk[i] = static_cast<unsigned char>((sent.size() + i) % 251);
            }
            const ssize_t n = ::write(pty_.master(), chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            sent.insert(sent.end(), chunk, chunk + n);
        }
        ASSERT_GT(sent.size(), 8192u);
        ASSERT_TRUE(QTest::qWaitFor([&] { return control_.GetInBufferCount() > 0; }, 2000));
        control_.SetInBufferCount(0);
        QTest::qWait(300);
        EXPECT_EQ(control_.GetInBufferCount(), 0);
        EXPECT_TRUE(control_.GetInput().empty());
        if (observed) {
            ASSERT_FALSE(recorder.dropped.empty());
            ASSERT_LE(recorder.dropped.size(), sent.size());
            EXPECT_TRUE(std::equal(recorder.dropped.begin(), recorder.dropped.end(), sent.begin()));
        }
        control_.SetPortOpen(false);
        control_.SetTrafficObserver(nullptr);
    }
}

// A device named relative to the current folder opens the file there that the
// check before the open found: a link here by its bare name, and a path with a
// '/' from here, or nothing.
TEST_F(BareCommControl, ARelativeDeviceNameIsTheFileHere) {
    const CurrentTempDir here;
    ASSERT_EQ(::symlink(pty_.path().c_str(), "mydev"), 0);
    const std::string ptsName = pty_.path().substr(5);  // pts/N, a path from here
    struct Case {
        std::string com2;    // what COM2 maps to
        std::string chosen;  // or the device path chosen
        std::string refusal;
    };
    const Case cases[] = {
        {"mydev", "", ""},
        {"", "mydev", ""},
        {ptsName, "",
         "Invalid port number: COM2 (" + here.path().string() + "/" + ptsName +
             ": No such file or directory; tessaline --list-ports shows the serial "
             "ports)"},
        {"", ptsName,
         "No such device: " + here.path().string() + "/" + ptsName +
             " (No such file or directory)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.com2 + c.chosen);
        const ComMapping mapping(2, c.com2.empty() ? "/dev/tessaline-not-this" : c.com2);
        control_.SetDevicePath(c.chosen);
        try {
            control_.SetPortOpen(true);
            EXPECT_EQ(c.refusal, "");
            control_.SetOutput(BytesOf("x"));
            EXPECT_EQ(pty_.Read(1000, 1), BytesOf("x"));
        } catch (const CommError& e) {
            EXPECT_EQ(e.what(), c.refusal);
        }
        control_.SetPortOpen(false);
    }
    control_.SetDevicePath("");
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
             c.SetSettings("2400,e,5,2");
             c.SetPortOpen(true);
         },
         kErrSettings,
         "The parameter is incorrect: 2 stop bits need 6 to 8 data bits (COM2, 2400,e,5,2)"},
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

// A program beside the window opens any device by its path, at any rate the
// port takes; the window's control keeps its own list of rates.
TEST_F(BareCommControl, OpensADevicePathAtAnyRate) {
    EXPECT_THROW(control_.SetSettings("250000,n,8,1"), CommError);
    control_.SetAnyBaudRate(true);
    control_.SetSettings("250000,n,8,1");
    Pty chosen;  // not the one COM2 maps to
    control_.SetDevicePath(chosen.path());
    control_.SetPortOpen(true);
    EXPECT_EQ(LineSpeed(chosen.slave()), 250000u);
    control_.SetOutput(BytesOf("x"));
    EXPECT_EQ(chosen.Read(1000, 1), BytesOf("x"));
    EXPECT_TRUE(pty_.Read(50).empty());
    EXPECT_THROW(control_.SetDevicePath(""), CommError) << "only while closed";
    control_.SetPortOpen(false);
}

// Opened by its path, a port is named by its path alone.
TEST_F(BareCommControl, RefusalsNameADevicePath) {
    struct Refusal {
        std::string path;  // "PTY": the pseudo-terminal
        std::string settings;
        bool unplug;
        std::string text;
    };
    const std::string absent = "/dev/tessaline-no-such-device";
    const Refusal refusals[] = {
        {absent, "9600,n,8,1", false, "No such device: " + absent + " (No such file or directory)"},
        {"PTY", "9600,n,8,1.5", false,
         "The parameter is incorrect: 1.5 stop bits need 5 data bits (PTY, 9600,n,8,1.5)"},
        {"PTY", "9600,n,8,1", true, "The device PTY is gone"},
    };
    for (const Refusal& r : refusals) {
        const auto withPath = [&](std::string text) {
            for (size_t at; (at = text.find("PTY")) != std::string::npos;) {
                text.replace(at, 3, pty_.path());
            }
            return text;
        };
        control_.SetPortOpen(false);
        control_.SetDevicePath(withPath(r.path));
        control_.SetSettings(r.settings);
        try {
            control_.SetPortOpen(true);
            if (r.unplug) {
                pty_.CloseMaster();
                // Refused once the control has seen the hang-up.
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] {
                        try {
                            control_.GetInBufferCount();
                            return false;
                        } catch (const CommError&) {
                            return true;
                        }
                    },
                    5000));
                control_.GetInBufferCount();
            }
            ADD_FAILURE() << "accepted: " << r.text;
        } catch (const CommError& e) {
            EXPECT_EQ(e.what(), withPath(r.text));
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
