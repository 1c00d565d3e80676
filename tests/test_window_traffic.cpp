#include <memory>
#include <optional>

#include "support/DeviceListener.h"
#include "support/EventLoopWaits.h"
#include "support/Pty.h"
#include "support/TempDir.h"
#include "support/TrafficLines.h"
#include "support/WindowFixture.h"
#include "trafficlog/TrafficLog.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Hands every report to the log; when asked, plays a device that goes on
// talking just after the window has read an event's bytes, so that those
// arrive while the event is handled and are discarded at its end.
class DeviceAfterRead : public CommTrafficObserver {
public:
    DeviceAfterRead(CommTrafficObserver& log, int master) : log_(log), master_(master) {}
    void SendAfterNextRead(Bytes bytes) { late_ = std::move(bytes); }

    void PortOpened(const PortOpening& o) override { log_.PortOpened(o); }
    void PortClosed(short port, const std::string& path) override { log_.PortClosed(port, path); }
    void BytesReceived(const ByteArray& bytes) override {
        log_.BytesReceived(bytes);
        if (!late_.empty()) {
            EXPECT_EQ(write(master_, late_.data(), late_.size()), ssize_t(late_.size()));
            late_.clear();
        }
    }
    void BytesSent(const ByteArray& bytes) override { log_.BytesSent(bytes); }
    void BytesDiscarded(const ByteArray& bytes) override { log_.BytesDiscarded(bytes); }

private:
    CommTrafficObserver& log_;
    int master_;
    Bytes late_;
};

// The analysis window whose serial control reports to a traffic log, with COM2
// on a pseudo-terminal.
class WindowTraffic : public WindowFixture {
protected:
    void SetUp() override {
        temp_ = std::make_unique<CurrentTempDir>();
        std::string why;
        log_ = TrafficLog::Open("traffic.log", {}, &why);
        ASSERT_NE(log_, nullptr) << why;
        tee_ = std::make_unique<DeviceAfterRead>(*log_, pty_.master());
        WindowFixture::SetUp();
        // As the program registers it: every control made from now on reports.
        RegisterSerialControl(tee_.get());
        OpenWindow();
        QObject::connect(dlg->m_ctrlComm.site(), &HostedControl::controlEvent,
                         [this] { ++handled_; });
    }
    void TearDown() override {
        WindowFixture::TearDown();
        RegisterSerialControl();
        log_.reset();
        temp_.reset();
    }

    void Receive(const Bytes& bytes) {
        const int before = handled_;
        pty_.Write(bytes);
        ASSERT_TRUE(WaitUntil([&] { return handled_ > before; })) << "no receive event";
    }

    std::vector<TrafficLine> Records() {
        log_->Flush();
        std::vector<TrafficLine> records;
        for (const auto& line : ParseTrafficLog(temp_files::ReadFile("traffic.log"))) {
            EXPECT_TRUE(line) << "a line not in the documented form";
            if (line) {
                records.push_back(*line);
            }
        }
        return records;
    }

    std::unique_ptr<CurrentTempDir> temp_;
    std::unique_ptr<TrafficLog> log_;
    Pty pty_;
    ComMapping mapping_{2, pty_.path()};
    DeviceListener device_{pty_.master()};
    std::unique_ptr<DeviceAfterRead> tee_;
    int handled_ = 0;
};

TEST_F(WindowTraffic, EveryStepOfASessionInOrder) {
    const Bytes frame = {0xAA, 0xBB};
    const std::string gbkText = gbk::Text("中文");

    Click(IDC_OPEN);
    ASSERT_EQ(dlg->m_bPortOpen, 1);
    Check(IDC_RECEIVEHEX)->setChecked(true);
    Type(IDC_EXPECTED, "AA BB");

    Receive(frame);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_RESULT), "GOOD");
    // The second frame overruns; what follows it during the event is dropped.
    tee_->SendAfterNextRead({0xCC, 0xDD});
    Receive(frame);
    Receive(Bytes(gbkText.begin(), gbkText.end()));

    dlg->SetDlgItemText(IDC_SENDTEXT, "PING " + gbkText);
    Click(IDC_MANUALSEND);
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() == 9; }));

    dlg->SetDlgItemText(IDC_SENDTEXT, "01 02");
    Check(IDC_SENDHEX)->setChecked(true);
    Type(IDC_SENDPERIOD, "20");
    Click(IDC_AUTOSEND);
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 9 + 4; }));
    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    Click(IDC_CLOSE);
    ASSERT_EQ(dlg->m_bPortOpen, 0);

    const std::vector<TrafficLine> records = Records();
    ASSERT_GE(records.size(), 11u);
    struct Expected {
        std::string kind;
        std::string rest;  // OPEN and CLOSE
        Bytes bytes;
        std::string text;
    };
    const std::string ping = "PING " + gbkText;
    const Expected expected[] = {
        {"OPEN", "COM2 9600,n,8,1 flow=none " + pty_.path(), {}, ""},
        {"RX", "", frame, ".."},
        {"DROP", "", {}, ""},  // each receive event ends with its discard
        {"RX", "", frame, ".."},
        {"DROP", "", {0xCC, 0xDD}, "梯"},  // as any two bytes, perhaps GBK
        {"RX", "", Bytes(gbkText.begin(), gbkText.end()), "中文"},
        {"DROP", "", {}, ""},
        {"TX", "", Bytes(ping.begin(), ping.end()), "PING 中文"},
        {"TX", "", {0x01, 0x02}, ".."},
        {"TX", "", {0x01, 0x02}, ".."},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        const Expected& e = expected[i];
        EXPECT_EQ(records[i].kind, e.kind) << "record " << i;
        if (e.kind == "OPEN") {
            EXPECT_EQ(records[i].rest, e.rest);
        } else {
            EXPECT_EQ(records[i].bytes, e.bytes) << "record " << i;
            EXPECT_EQ(records[i].text, e.text) << "record " << i;
        }
    }
    // The automatic run's further sends, then the closing.
    size_t at = std::size(expected);
    while (at + 1 < records.size() && records[at].kind == "TX") {
        EXPECT_EQ(records[at].bytes, (Bytes{0x01, 0x02}));
        ++at;
    }
    EXPECT_EQ(at + 1, records.size());
    EXPECT_EQ(records.back().kind, "CLOSE");
    EXPECT_EQ(records.back().rest, "COM2 " + pty_.path());
    // Every byte the log says was sent reached the device, and no other.
    Bytes sent;
    for (const TrafficLine& r : records) {
        if (r.kind == "TX") {
            sent.insert(sent.end(), r.bytes.begin(), r.bytes.end());
        }
    }
    EXPECT_EQ(sent, device_.Bytes());
    for (size_t i = 1; i < records.size(); ++i) {
        EXPECT_LE(records[i - 1].time.substr(0, 23), records[i].time.substr(0, 23));
    }
}

// Every receive event logs what it read, whatever the parity: with parity the
// bytes come marked by the terminal and are read another way. A pseudo-terminal
// doubles a real 0xFF then, which is read, and logged, as one.
TEST_F(WindowTraffic, EveryParityLogsWhatItReceived) {
    struct Case {
        int parityItem;  // EVEN, NONE, ODD
        std::string opened;
    };
    const Case cases[] = {
        {0, "COM2 9600,e,8,1 flow=none " + pty_.path()},
        {1, "COM2 9600,n,8,1 flow=none " + pty_.path()},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        List(IDC_PARITY)->setCurrentIndex(c.parityItem);
        Click(IDC_OPEN);
        ASSERT_EQ(dlg->m_bPortOpen, 1);
        Receive({0x41, 0xFF});
        Click(IDC_CLOSE);
        const std::vector<TrafficLine> records = Records();
        ASSERT_EQ(records.size(), seen + 4);
        EXPECT_EQ(records[seen].kind, "OPEN");
        EXPECT_EQ(records[seen].rest, c.opened);
        EXPECT_EQ(records[seen + 1].kind, "RX");
        EXPECT_EQ(records[seen + 1].bytes, (Bytes{0x41, 0xFF}));
        EXPECT_EQ(records[seen + 1].text, "A.");
        EXPECT_EQ(records[seen + 2].kind, "DROP");
        EXPECT_EQ(records[seen + 3].kind, "CLOSE");
        seen = records.size();
    }
}

// Closing the window with the port open closes it, and the log says so.
TEST_F(WindowTraffic, ClosingTheWindowClosesThePort) {
    Click(IDC_OPEN);
    ASSERT_EQ(dlg->m_bPortOpen, 1);
    dlg.reset();
    const std::vector<TrafficLine> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, "OPEN");
    EXPECT_EQ(records[1].kind, "CLOSE");
}

}  // namespace
