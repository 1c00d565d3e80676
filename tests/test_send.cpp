#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <iostream>
#include <utility>

#include "support/DeviceListener.h"
#include "support/Pty.h"
#include "support/WindowFixture.h"
#include "support/WindowProbes.h"

namespace {

const std::string kRangeMessage = gbk::Text("“请填入一个在10和5000之间的整数。”");

std::vector<std::pair<int, bool>> Changes(const std::vector<int>& ids, bool enabled) {
    std::vector<std::pair<int, bool>> changes;
    for (int id : ids) {
        changes.emplace_back(id, enabled);
    }
    return changes;
}

// The analysis window with COM2 on a pseudo-terminal, opened by "OPEN"; the
// test plays the device at the other end.
class SendTest : public WindowFixture {
protected:
    SendTest() : mapping_(2, pty_.path()), device_(pty_.master()) {}

    void SetUp() override {
        WindowFixture::SetUp();
        if (!HasFatalFailure() && open_) {
            Click(IDC_OPEN);
            ASSERT_EQ(dlg->m_bPortOpen, 1);
        }
    }

    void SetSend(const QString& text, bool hex) {
        Edit(IDC_SENDTEXT)->setText(text);
        Check(IDC_SENDHEX)->setChecked(hex);
    }

    bool open_ = true;
    Pty pty_;
    ComMapping mapping_;
    DeviceListener device_;
};

TEST_F(SendTest, ManualSendPutsTheTextOnTheLineOnce) {
    std::string big(70000, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>('a' + i % 26);
    }
    struct Case {
        const char* name;
        QString text;
        bool hex;
        ByteArray bytes;
    };
    const Case cases[] = {
        {"raw letters", "AB", false, {0x41, 0x42}},
        {"raw Chinese", QString::fromUtf8("中"), false, {0xD6, 0xD0}},
        {"hex pairs", "41 42 43", true, {0x41, 0x42, 0x43}},
        {"hex up to a bad pair", "41 4G 43", true, {0x41}},
        {"empty", "", false, {}},
        {"70,000 bytes, sent whole", QString::fromLatin1(big.data(), int(big.size())), false,
         BytesOf(big)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device_.Clear();
        SetSend(c.text, c.hex);
        Click(IDC_MANUALSEND);
        for (int id : kSendControls) {
            EXPECT_TRUE(Enabled(id)) << "a manual send disables nothing: " << id;
        }
        ASSERT_TRUE(WaitUntil([&] { return Running() == 0; }));
        WaitUntil([&] { return device_.Count() >= c.bytes.size(); });
        Pump(100);  // nothing may follow
        EXPECT_EQ(device_.Bytes(), c.bytes);
    }
    EXPECT_EQ(dlg->m_strSendText.Get(), big) << "the edit keeps a long text whole";
    EXPECT_TRUE(messages.empty());
}

class ClosedPortTest : public SendTest {
protected:
    ClosedPortTest() { open_ = false; }
};

TEST_F(ClosedPortTest, SendingAsksForTheOpenPort) {
    const std::pair<int, const char*> cases[] = {
        {IDC_MANUALSEND, "Please Open the COM."},
        {IDC_AUTOSEND, "Please open the COM."},
    };
    SetSend("AB", false);
    for (const auto& [button, text] : cases) {
        SCOPED_TRACE(text);
        messages.clear();
        Click(button);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(dlg->m_bAutoSending.load(), 0);
        for (int id : kSendControls) {
            EXPECT_TRUE(Enabled(id)) << id;
        }
        EXPECT_EQ(dlg->SendWorkers().Tracked(), 0u) << "no worker starts";
    }
}

// "停止发送" 300 ms into a 1000 ms wait: the period and the data library come
// back at once, the turn in progress still sends, and only then does the
// worker give back its three controls.
TEST_F(SendTest, StopDuringAWaitEndsTheRunAfterItsSend) {
    Type(IDC_SENDPERIOD, "1000");
    SetSend("41 42", true);
    EnableRecorder recorder(*dlg, {IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDPERIOD, IDC_SENDHEX,
                                   IDC_DATALIB, IDC_SENDTEXT});

    const Clock::time_point clicked = Clock::now();
    Click(IDC_AUTOSEND);
    ASSERT_EQ(recorder.changes, Changes(kSendControls, false));
    EXPECT_TRUE(Enabled(IDC_SENDTEXT));
    EXPECT_EQ(dlg->m_bAutoSending.load(), 1);

    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 2; }));
    const Clock::time_point first = device_.SendTimes(2).at(0);
    EXPECT_GE(Ms(first - clicked), 900) << "the first send waits one period";

    WaitUntil([&] { return Clock::now() >= first + std::chrono::milliseconds(300); });
    const Clock::time_point stopped = Clock::now();
    Click(IDC_STOPSEND);
    EXPECT_TRUE(Enabled(IDC_SENDPERIOD));
    EXPECT_TRUE(Enabled(IDC_DATALIB));
    EXPECT_FALSE(Enabled(IDC_AUTOSEND));
    EXPECT_FALSE(Enabled(IDC_MANUALSEND));
    EXPECT_FALSE(Enabled(IDC_SENDHEX));

    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    const Clock::time_point ended = Clock::now();
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 4; }, 2000))
        << "the turn in progress ends with its send";
    const Clock::time_point last = device_.SendTimes(2).at(1);
    EXPECT_GE(Ms(last - stopped), 500) << "about 700 ms after the stop";
    EXPECT_GE(Ms(ended - stopped), 500) << "the controls wait for that send";

    // "停止发送" gives back two controls, the worker the other three.
    const auto ids = {IDC_SENDPERIOD, IDC_DATALIB, IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDHEX};
    EXPECT_EQ(decltype(recorder.changes)(recorder.changes.begin() + 5, recorder.changes.end()),
              Changes(ids, true));

    Pump(1200);
    EXPECT_EQ(device_.Bytes(), BytesOf("ABAB")) << "no send after the run ended";
    EXPECT_TRUE(messages.empty());
}

// Each turn reads the period and the hex-mode flag afresh; the text is read
// once per run. Members change here as a refresh during the run would change
// them (a receive event refreshes from the controls).
TEST_F(SendTest, ARunReadsThePeriodAndHexFlagEachTurnAndTheTextOnce) {
    Type(IDC_SENDPERIOD, "100");
    SetSend("AB", false);
    Click(IDC_AUTOSEND);
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 4; }));

    dlg->SetDlgItemText(IDC_SENDTEXT, "zz");
    dlg->RefreshFromControls();
    ASSERT_EQ(dlg->m_strSendText.Get(), "zz");
    const size_t before = device_.Count();
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= before + 4; }));

    // Hex mode with a run started raw: the hex array is empty, so turns send nothing.
    dlg->m_bSendHex = 1;
    Pump(300);
    const size_t quiet = device_.Count();
    Pump(500);
    EXPECT_EQ(device_.Count(), quiet) << "turns in hex mode send the empty hex array";
    dlg->m_bSendHex = 0;
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= quiet + 2; }));

    const std::vector<unsigned char> got = device_.Bytes();
    for (size_t i = 0; i + 1 < got.size(); i += 2) {
        ASSERT_EQ(std::string(got.begin() + i, got.begin() + i + 2), "AB") << "at " << i;
    }

    // A wait already begun keeps its length; the next one takes the new period.
    const size_t sent = device_.Count();
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= sent + 2; }));
    Pump(30);
    const Clock::time_point changed = Clock::now();
    dlg->m_nSendPeriod = 1500;
    const size_t atChange = device_.Count();
    ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= atChange + 4; }));
    const std::vector<Clock::time_point> t = device_.SendTimes(2);
    size_t next = 0;
    while (t[next] <= changed) {
        ++next;
    }
    ASSERT_LT(next + 1, t.size());
    EXPECT_LT(Ms(t[next] - changed), 1000) << "the wait in progress was 100 ms";
    EXPECT_GE(Ms(t[next + 1] - t[next]), 1300) << "then 1500 ms";

    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
}

// A period that failed its range check is used within 10 to 5000 ms: the run
// neither spins nor sleeps for ever.
TEST_F(SendTest, APeriodOutOfRangeIsKeptWithinTenToFiveThousand) {
    for (const char* period : {"0", "-5"}) {
        SCOPED_TRACE(period);
        messages.clear();
        device_.Clear();
        // The failed check leaves the send text as the last good refresh took it.
        SetSend("A", false);
        Type(IDC_SENDPERIOD, "500");
        ASSERT_TRUE(dlg->RefreshFromControls());
        Type(IDC_SENDPERIOD, period);
        Click(IDC_AUTOSEND);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{kRangeMessage});
        ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 1; }));
        const Clock::time_point start = Clock::now();
        const size_t first = device_.Count();
        Pump(500);
        EXPECT_TRUE(WaitUntil([&] { return device_.Count() >= first + 3; })) << "the run goes on";
        const size_t sends = device_.Count() - first;
        const long long ms = Ms(Clock::now() - start);
        EXPECT_LE(sends, static_cast<size_t>(ms / 10 + 5)) << "at most one send per 10 ms";
        Click(IDC_STOPSEND);
        ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    }
}

// "CLOSE" during a run clears the flag and closes the port 500 ms later. The
// window goes on serving the worker meanwhile, so a turn whose wait had begun
// still sends if it falls due within those 500 ms; a later one is refused. The
// run ends without a message and the worker still gives back its controls.
TEST_F(SendTest, CloseLetsTheTurnInProgressSendThenEndsTheRun) {
    struct Case {
        int period;
        int closeAfterMs;  // after the last send arrived
        size_t moreSends;
    };
    const Case cases[] = {
        {300, 30, 1},   // due about 270 ms into CLOSE's wait
        {1000, 50, 0},  // due about 450 ms after the port closed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("period " + std::to_string(c.period));
        // The click must come well inside the period; a loaded machine may
        // miss that, so try again.
        bool conclusive = false;
        for (int trial = 0; trial < 5 && !conclusive; ++trial) {
            SCOPED_TRACE("trial " + std::to_string(trial));
            if (!dlg->m_bPortOpen) {
                Click(IDC_OPEN);
                ASSERT_EQ(dlg->m_bPortOpen, 1);
            }
            device_.Clear();
            Type(IDC_SENDPERIOD, QString::number(c.period));
            SetSend("AB", false);
            Click(IDC_AUTOSEND);
            ASSERT_TRUE(WaitUntil([&] { return device_.Count() >= 2; }));
            const Clock::time_point seen = Clock::now();
            WaitUntil(
                [&] { return Clock::now() >= seen + std::chrono::milliseconds(c.closeAfterMs); });
            const size_t before = device_.Count();
            const Clock::time_point clicked = Clock::now();
            Click(IDC_CLOSE);
            const Clock::time_point closed = Clock::now();
            EXPECT_EQ(dlg->m_bPortOpen, 0);
            for (int id : {IDC_SENDPERIOD, IDC_SENDHEX, IDC_DATALIB}) {
                EXPECT_TRUE(Enabled(id)) << "enabled by CLOSE: " << id;
            }
            ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
            Pump(200);
            // When the turn in progress fell due, counted from the click: well
            // inside CLOSE's 500 ms wait, or well after it.
            const long long due = c.period - Ms(clicked - device_.SendTimes(2).at(before / 2 - 1));
            if (c.moreSends > 0 ? due < 50 || due > 400 : due < 650) {
                continue;
            }
            conclusive = true;
            EXPECT_EQ(device_.Count(), before + 2 * c.moreSends);
            if (c.moreSends > 0 && device_.Count() > before) {
                EXPECT_LT(device_.SendTimes(2).at(before / 2), closed)
                    << "sent before the port closed";
            }
            EXPECT_TRUE(Enabled(IDC_MANUALSEND));
            EXPECT_TRUE(messages.empty());
        }
        EXPECT_TRUE(conclusive) << "CLOSE never came early enough in the period";
    }
}

// The device answers every send and the expected text is empty, so every
// answer overruns it and its receive event waits 100 ms on the window's
// thread. Sends due meanwhile still go out: a 20 ms run sends about 50 times a
// second, not once per wait.
TEST_F(SendTest, SendsKeepTheirPeriodWhileReceiveEventsWait) {
    int events = 0;
    QObject::connect(dlg->m_ctrlComm.site(), &HostedControl::controlEvent, [&] { ++events; });
    device_.ReplyWith(BytesOf("OK\r\n"));
    Type(IDC_EXPECTED, "");
    Type(IDC_SENDPERIOD, "20");
    SetSend("AB", false);
    Click(IDC_AUTOSEND);
    ASSERT_TRUE(WaitUntil([&] { return events >= 2; }));

    // A wait that held the sends back gives about 10 a second whatever the
    // load; a busy machine only slows a window now and then, so a slow window
    // is measured again.
    double perSecond = 0;
    int overruns = 0;
    size_t sends = 0;
    for (int window = 0; window < 3 && perSecond < 40.0; ++window) {
        const Clock::time_point from = Clock::now();
        const int eventsBefore = events;
        Pump(3000);
        const Clock::time_point to = Clock::now();
        overruns = events - eventsBefore;
        sends = 0;
        for (Clock::time_point t : device_.SendTimes(2)) {
            sends += t >= from && t < to;
        }
        perSecond = sends * 1000.0 / Ms(to - from);
        std::cout << perSecond << " sends per second, " << overruns << " receive events\n";
    }
    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));

    EXPECT_GE(perSecond, 40.0);
    EXPECT_GE(overruns, 10) << "the answers raised receive events";
    EXPECT_LT(overruns * 2, static_cast<int>(sends))
        << "answers to the sends made during a wait were discarded with it";
    EXPECT_EQ(Shown(IDC_RESULT), "GOOD") << "each answer overran the empty reference";
    EXPECT_EQ(Shown(IDC_FILTERED), "");
    EXPECT_TRUE(messages.empty());
}

// A manual send that the control refuses (the port closed under it, or the
// device gone) ends without a message.
TEST_F(SendTest, ARefusedManualSendEndsQuietly) {
    SetSend("AB", false);
    dlg->m_ctrlComm.SetPortOpen(false);  // m_bPortOpen still says open
    Click(IDC_MANUALSEND);
    ASSERT_TRUE(WaitUntil([&] { return Running() == 0; }));
    EXPECT_TRUE(messages.empty());

    // A device of its own, which nobody listens to, goes away.
    Pty gone;
    ComMapping mapping(2, gone.path());
    dlg->OnOpen();  // "OPEN" is disabled: the window still counts the port open
    ASSERT_TRUE(dlg->m_ctrlComm.GetPortOpen());
    gone.CloseMaster();
    Pump(100);
    Click(IDC_MANUALSEND);
    ASSERT_TRUE(WaitUntil([&] { return Running() == 0; }));
    EXPECT_TRUE(messages.empty());
}

// The window ends while workers run: an automatic worker asleep in a 5000 ms
// period, manual workers waiting to hand over their first call. The window
// wakes and refuses them and waits for all of them before it goes.
TEST_F(SendTest, TheWindowEndsPromptlyWhileWorkersRun) {
    Type(IDC_SENDPERIOD, "5000");
    SetSend("AB", false);
    Click(IDC_AUTOSEND);
    Pump(200);
    for (int i = 0; i < 20; ++i) {
        dlg->OnManualSend();  // their hand-overs wait: the loop does not run
    }
    EXPECT_EQ(Running(), 21u);

    const Clock::time_point start = Clock::now();
    dlg.reset();
    const long long ms = Ms(Clock::now() - start);
    std::cout << "window ended in " << ms << " ms\n";
    EXPECT_LT(ms, 2000) << "a 5000 ms wait was cut short";
    Pump(200);
    EXPECT_EQ(device_.Count(), 0u) << "no send after the window's end";
}

TEST_F(SendTest, AModalRunEndsPromptlyDuringALongPeriod) {
    dlg.reset();
    CAnalysisDlg modal;
    Clock::time_point escaped;
    QTimer::singleShot(0, [&] {
        modal.RunCommand(IDC_OPEN);
        modal.SetDlgItemText(IDC_SENDPERIOD, "5000");
        modal.RunCommand(IDC_AUTOSEND);
        QTimer::singleShot(300, [&] {
            escaped = Clock::now();
            QTest::keyClick(modal.window(), Qt::Key_Escape);
        });
    });
    EXPECT_EQ(modal.DoModal(), IDCANCEL);
    const long long ms = Ms(Clock::now() - escaped);
    std::cout << "modal run ended in " << ms << " ms after Escape\n";
    EXPECT_LT(ms, 2000);
    EXPECT_TRUE(messages.empty());
}

// Ten-millisecond turns while the device talks back: every byte arrives in
// order and the run stops cleanly.
TEST_F(SendTest, AFastRunWithTheDeviceTalkingBack) {
    device_.ReplyWith(BytesOf("OK\r\n"));
    Type(IDC_SENDPERIOD, "10");
    SetSend("5A A5", true);
    Click(IDC_AUTOSEND);
    Pump(3000);
    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    Pump(100);

    const std::vector<unsigned char> got = device_.Bytes();
    EXPECT_GE(got.size(), 20u);
    EXPECT_EQ(got.size() % 2, 0u);
    for (size_t i = 0; i + 1 < got.size(); i += 2) {
        ASSERT_EQ(got[i], 0x5A) << i;
        ASSERT_EQ(got[i + 1], 0xA5) << i;
    }
    EXPECT_TRUE(messages.empty());
}

}  // namespace
