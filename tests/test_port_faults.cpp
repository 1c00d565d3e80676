// The device at the far end misbehaves: it goes away while the port is open,
// stops reading, or shares the line with another reader. The window stays
// quiet, idle and answering, and a device plugged in again works.
#include <fcntl.h>
#include <poll.h>

#include <QTimer>

#include <algorithm>
#include <string>

#include "support/PortFaultFixture.h"

namespace {

// The device goes away while bytes arrive: between two events, and while the
// handler waits before it empties the filtered data. The port stays open but
// lost until "CLOSE", quietly: no message, no stream of warnings, no busy loop.
TEST_F(PortFaults, DeviceGoneDuringReception) {
    struct Case {
        const char* name;
        const char* expected;  // "X" makes every event overrun it and wait 100 ms
    };
    const Case cases[] = {{"between events", ""}, {"while the handler waits", "X"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (&c != cases) {
            PlugInNewDevice();
        }
        ASSERT_NO_FATAL_FAILURE(Open());
        Type(IDC_EXPECTED, c.expected);
        device_->Write("first");
        ASSERT_TRUE(WaitUntil([&] { return !Shown(IDC_RECEIVETEXT).isEmpty(); }));

        QtWarnings warnings;
        std::thread device([&] {
            device_->Write("second batch");
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            Unplug();
        });
        const Clock::time_point start = Clock::now();
        while (Ms(Clock::now() - start) < 200) {
            QCoreApplication::processEvents();  // the window's events, the handler's wait among
                                                // them
        }
        device.join();
        EXPECT_TRUE(WaitUntil([&] { return Lost(); }, 5000)) << "the loss was not noticed";

        ExpectIdle();
        EXPECT_LE(warnings.Texts().size(), 2u) << warnings.Texts().front();
        EXPECT_TRUE(messages.empty());
        // The port counts as open until the operator closes it.
        EXPECT_EQ(dlg->m_bPortOpen, 1);
        EXPECT_TRUE(dlg->m_ctrlComm.GetPortOpen());
        EXPECT_FALSE(Enabled(IDC_OPEN));

        ExpectANewDeviceWorks();
        EXPECT_TRUE(messages.empty());
    }
}

// The device goes away during a 10 ms automatic run: the run ends at its next
// send and gives every send control back, as if "停止发送" had been pressed.
TEST_F(PortFaults, DeviceGoneDuringAFastAutomaticRun) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Type(IDC_SENDPERIOD, "10");
    Edit(IDC_SENDTEXT)->setText("AB");
    Click(IDC_AUTOSEND);
    ExpectEnabled(kSendControls, false);
    ASSERT_TRUE(WaitUntil([&] { return listener_->Count() >= 20; }));

    EnableRecorder recorder(*dlg, kSendControls);

    Unplug();
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); })) << "the run goes on without its device";
    EXPECT_EQ(dlg->m_bAutoSending.load(), 0);
    const std::vector<std::pair<int, bool>> expected = {{IDC_AUTOSEND, true},
                                                        {IDC_MANUALSEND, true},
                                                        {IDC_SENDHEX, true},
                                                        {IDC_SENDPERIOD, true},
                                                        {IDC_DATALIB, true}};
    EXPECT_EQ(recorder.changes, expected);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Lost());
    EXPECT_EQ(dlg->m_bPortOpen, 1);
    ExpectIdle();

    // The device returns: a new run sends to it.
    Click(IDC_CLOSE);
    PlugInNewDevice();
    ASSERT_NO_FATAL_FAILURE(Open());
    Type(IDC_SENDPERIOD, "10");
    Click(IDC_AUTOSEND);
    EXPECT_TRUE(WaitUntil([&] { return listener_->Count() >= 20; }));
    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    EXPECT_TRUE(messages.empty());
    ExpectANewDeviceWorks();
}

// The device stops reading while a 10 ms run sends a few hundred bytes a turn.
// Each turn empties the transmit buffer first, so what waits stays within one
// send; the window's thread never waits on the line and goes on handling
// received bytes and clicks. Once the device reads again, sends reach it.
TEST_F(PortFaults, DeviceThatStopsReading) {
    PlugInNewDevice(/*listening=*/false);
    ASSERT_NO_FATAL_FAILURE(Open());
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    Type(IDC_SENDPERIOD, "10");
    Edit(IDC_SENDTEXT)->setText(QString::fromStdString(text));
    Click(IDC_AUTOSEND);

    // A 10 ms timer on the window's thread: a thread held up in a write
    // would leave a long gap between its ticks.
    Clock::time_point lastTick = Clock::now();
    long long longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, Ms(now - lastTick));
        lastTick = now;
    });
    ticker.start(10);

    short mostWaiting = 0;
    long residentAfterOneSecond = 0;
    long long echoMs = -1;
    const Clock::time_point start = Clock::now();
    while (Ms(Clock::now() - start) < 4000) {
        Pump(100);
        try {
            mostWaiting = std::max(mostWaiting, dlg->m_ctrlComm.GetOutBufferCount());
        } catch (const ControlError& e) {
            FAIL() << "the port was taken for lost: " << e.description();
        }
        if (residentAfterOneSecond == 0 && Ms(Clock::now() - start) >= 1000) {
            residentAfterOneSecond = ResidentKb();
        }
        if (echoMs < 0 && Ms(Clock::now() - start) >= 2000) {
            // The device still talks; the window shows it at once.
            dlg->SetDlgItemText(IDC_RECEIVETEXT, "");
            const Clock::time_point sent = Clock::now();
            device_->Write("ping");
            ASSERT_TRUE(WaitUntil([&] { return Shown(IDC_RECEIVETEXT).endsWith("ping"); }, 5000));
            echoMs = Ms(Clock::now() - sent);
        }
    }
    ticker.stop();
    const long grownKb = ResidentKb() - residentAfterOneSecond;
    std::cout << "longest gap " << longestGap << " ms, received in " << echoMs << " ms, at most "
              << mostWaiting << " bytes waiting, memory grew " << grownKb << " KiB\n";
    EXPECT_LT(longestGap, 1000) << "the window's thread was held up";
    EXPECT_LE(mostWaiting, static_cast<short>(text.size())) << "sends pile up";
    EXPECT_LT(grownKb, 32 * 1024) << "memory keeps growing";
    EXPECT_EQ(dlg->m_bAutoSending.load(), 1) << "the run goes on";
    EXPECT_FALSE(Enabled(IDC_AUTOSEND));
    EXPECT_TRUE(messages.empty());

    listener_.emplace(device_->master());
    EXPECT_TRUE(WaitUntil([&] { return listener_->Count() >= 10 * text.size(); }));
    Click(IDC_STOPSEND);
    ASSERT_TRUE(WaitUntil([&] { return RunEnded(); }));
    ExpectANewDeviceWorks();
}

// Sends the line cannot take at once wait in the transmit buffer: a full line
// is not a device gone. When the device reads again, every byte follows in
// order.
TEST_F(PortFaults, SendsWaitForAFullLine) {
    PlugInNewDevice(/*listening=*/false);
    ASSERT_NO_FATAL_FAILURE(Open());
    CMSComm& comm = dlg->m_ctrlComm;
    ByteArray sent;
    for (int block = 0; block < 4; ++block) {
        const ByteArray bytes(8000, static_cast<unsigned char>('A' + block));
        EXPECT_NO_THROW(comm.SetOutput(bytes)) << "block " << block;
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        Pump(20);
    }
    EXPECT_FALSE(Lost());
    EXPECT_GT(comm.GetOutBufferCount(), 0) << "the line takes less than was sent";

    listener_.emplace(device_->master());
    EXPECT_TRUE(WaitUntil([&] { return listener_->Count() >= sent.size(); }));
    Pump(100);
    EXPECT_TRUE(listener_->Bytes() == sent) << listener_->Count() << " of " << sent.size();
    EXPECT_EQ(comm.GetOutBufferCount(), 0);
    EXPECT_TRUE(messages.empty());
}

// Another program reads the same line (root passes exclusive use; a modem
// manager probing ports does so) and takes some of the bytes: the window
// shows what reaches it and the port is not taken for lost. Reading goes on
// once the other reader is gone.
TEST_F(PortFaults, AnotherReaderOnTheLine) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Type(IDC_EXPECTED, QString(300, 'Z'));  // no 100 ms waits
    std::atomic<bool> stop{false};
    std::atomic<size_t> taken{0};
    const int line = device_->slave();
    fcntl(line, F_SETFL, fcntl(line, F_GETFL) | O_NONBLOCK);
    std::thread reader([&] {
        char buffer[64];
        while (!stop) {
            pollfd p{line, POLLIN, 0};
            if (poll(&p, 1, 5) > 0) {
                const ssize_t n = ::read(line, buffer, sizeof buffer);
                taken += n > 0 ? size_t(n) : 0;
            }
        }
    });
    std::optional<Chatter> chatter(std::in_place, device_->master());
    bool lost = false;
    for (int i = 0; i < 40 && !lost; ++i) {
        Pump(50);
        lost = Lost();
    }
    chatter.reset();
    stop = true;
    reader.join();
    std::cout << "the other reader took " << taken << " bytes\n";
    EXPECT_FALSE(lost);
    EXPECT_TRUE(messages.empty());

    dlg->SetDlgItemText(IDC_RECEIVETEXT, "");
    Pump(100);
    device_->Write("after");
    EXPECT_TRUE(WaitUntil([&] { return Shown(IDC_RECEIVETEXT).endsWith("after"); }, 5000))
        << Shown(IDC_RECEIVETEXT).toStdString();
}

}  // namespace
