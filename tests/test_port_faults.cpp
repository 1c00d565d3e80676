// Faults of the port on real pseudo-terminals: a device that goes away or stops
// reading, a port another program holds or the user may not open, and quick
// clicks while data arrives. Each ends with the window still answering.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "support/ChildProcess.h"
#include "support/DeviceListener.h"
#include "support/Pty.h"
#include "support/WindowFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for a loaded machine under ThreadSanitizer; waits end as soon as
// their condition holds.
constexpr int kPatience = 20000;

// The five send controls, in the order a run disables them.
const std::vector<int> kSendControls = {IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDPERIOD, IDC_SENDHEX,
                                        IDC_DATALIB};
// "OPEN" and the six lists: enabled exactly while the port is closed.
const std::vector<int> kLineControls = {IDC_OPEN,     IDC_PORT,     IDC_BAUDRATE,   IDC_PARITY,
                                        IDC_DATABITS, IDC_STOPBITS, IDC_FLOWCONTROL};

long long Ms(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// Runs the window's event loop until `done` holds; false on timeout.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kPatience) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;  // wakes the loop to look at what other threads change
    tick.start(2);
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Pump(int ms) {
    WaitUntil([] { return false; }, ms);
}

// Runs the event loop for the time given with nothing of the test's own to do,
// so that the CPU time spent meanwhile is the program's.
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's resident memory.
long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Collects Qt's warnings while it lives.
class QtWarnings {
public:
    QtWarnings() {
        current_ = this;
        previous_ = qInstallMessageHandler(&Handle);
    }
    ~QtWarnings() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (QtWarnings* self = current_) {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->texts_.push_back(text.toStdString());
        }
        if (previous_) {
            previous_(type, context, text);
        }
    }

    static inline std::atomic<QtWarnings*> current_{nullptr};
    static inline QtMessageHandler previous_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

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

// Records every enabling and disabling of the watched controls, in order.
class EnableRecorder : public QObject {
public:
    EnableRecorder(const CDialog& dlg, const std::vector<int>& ids) {
        for (int id : ids) {
            QWidget* w = dlg.GetDlgItem(id);
            ids_[w] = id;
            w->installEventFilter(this);
        }
    }
    std::vector<std::pair<int, bool>> changes;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            changes.emplace_back(ids_.at(watched), static_cast<QWidget*>(watched)->isEnabled());
        }
        return false;
    }

private:
    std::map<QObject*, int> ids_;
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

    bool Enabled(int id) const { return dlg->IsItemEnabled(id); }
    void ExpectEnabled(const std::vector<int>& ids, bool enabled) const {
        for (int id : ids) {
            EXPECT_EQ(Enabled(id), enabled) << "control " << id;
        }
    }
    size_t Running() const { return dlg->SendWorkers().Running(); }
    bool RunEnded() const { return Running() == 0 && Enabled(IDC_AUTOSEND); }

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

    // "CLOSE" ends the lost port; a new device opens and data flows both ways.
    void ExpectANewDeviceWorks() {
        Click(IDC_CLOSE);
        EXPECT_EQ(dlg->m_bPortOpen, 0);
        EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
        ExpectEnabled(kLineControls, true);

        PlugInNewDevice();
        ASSERT_NO_FATAL_FAILURE(Open());
        dlg->SetDlgItemText(IDC_RECEIVETEXT, "");
        device_->Write("back");
        EXPECT_TRUE(WaitUntil([&] { return Shown(IDC_RECEIVETEXT).endsWith("back"); }))
            << Shown(IDC_RECEIVETEXT).toStdString();
        Edit(IDC_SENDTEXT)->setText("hello");
        Click(IDC_MANUALSEND);
        EXPECT_TRUE(WaitUntil([&] { return listener_->Count() >= 5; }));
        EXPECT_EQ(listener_->Bytes(), ByteArray({'h', 'e', 'l', 'l', 'o'}));
        Click(IDC_CLOSE);
        EXPECT_TRUE(WaitUntil([&] { return Running() == 0; }));
    }

    std::optional<Pty> device_;
    std::optional<ComMapping> mapping_;
    std::optional<DeviceListener> listener_;
};

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
        if (c.name != cases[0].name) {
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

}  // namespace
