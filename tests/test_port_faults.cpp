// Faults of the port on real pseudo-terminals: a device that goes away or stops
// reading, a port another program holds or the user may not open, and quick
// clicks while data arrives. Each ends with the window still answering.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
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

// A port that another program holds open the way serial programs do (a lock
// file and exclusive use). Once it lets go, "OPEN" works.
TEST_F(PortFaults, PortHeldByAnotherProgram) {
    ChildProcess holder({TESSALINE_PORT_HOLDER_PATH, device_->path()});
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.ReadLine(kPatience), "held");

    ASSERT_NO_FATAL_FAILURE(ExpectOpenRefused("in use by another program"));

    holder.CloseInput();
    EXPECT_EQ(holder.Wait(kPatience), 0) << holder.ReadAll(1000);
    ExpectOpenAndTalk();
    EXPECT_TRUE(messages.empty());
}

// A device the user may not open. Root may open anything, so as root the
// test runs again in a process of the user nobody.
TEST_F(PortFaults, PortWithoutPermission) {
    if (geteuid() == 0) {
        constexpr uid_t kNobody = 65534;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ChildProcess child({self, "--gtest_filter=PortFaults." + test}, kNobody);
        ASSERT_TRUE(child.Started());
        const std::string output = child.ReadAll(4 * kPatience);
        const int code = child.Wait(kPatience);
        if (code == ChildProcess::kCannotSwitchUser || code == ChildProcess::kCannotRun) {
            GTEST_SKIP() << "cannot run this test as user nobody (exit " << code << "): " << output;
        }
        const size_t refused = output.find("refused: ");
        if (refused != std::string::npos) {
            std::cout << "as nobody, "
                      << output.substr(refused, output.find('\n', refused) - refused) << "\n";
        }
        EXPECT_EQ(code, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
        return;
    }

    ASSERT_EQ(chmod(device_->path().c_str(), 0), 0) << std::strerror(errno);
    ASSERT_NO_FATAL_FAILURE(ExpectOpenRefused("Permission denied"));

    ASSERT_EQ(chmod(device_->path().c_str(), S_IRUSR | S_IWUSR), 0) << std::strerror(errno);
    ExpectOpenAndTalk();
    EXPECT_TRUE(messages.empty());
}

// A few hundred quick clicks on "OPEN", "CLOSE", "手动发送", "自动发送" and
// "停止发送", in a fixed random order, while the device talks and answers.
// Nothing crashes or hangs; after a last "CLOSE" the window is at rest: the
// port closed, every control enabled and every worker finished.
TEST_F(PortFaults, QuickClicksWhileDataArrives) {
    // A long expected text: events seldom overrun it and wait 100 ms.
    Type(IDC_EXPECTED, QString(300, 'Z'));
    Type(IDC_SENDPERIOD, "10");
    Edit(IDC_SENDTEXT)->setText("41 42 0D 0A");
    Check(IDC_SENDHEX)->setChecked(true);
    ASSERT_TRUE(dlg->RefreshFromControls());  // "OPEN" shows the members again
    listener_->ReplyWith({'O', 'K', '\r', '\n'});
    std::optional<Chatter> chatter(std::in_place, device_->master());

    // A period field left at "500" by "OPEN" or "CLOSE" gets "10" again now and then.
    constexpr int kTypePeriod = 0;
    const int actions[] = {IDC_OPEN,     IDC_CLOSE,    IDC_MANUALSEND,
                           IDC_AUTOSEND, IDC_STOPSEND, kTypePeriod};
    std::discrete_distribution<int> pick({3, 1, 6, 4, 2, 2});
    std::uniform_int_distribution<int> pause(0, 15);
    std::mt19937 random(20240607);
    std::map<int, int> clicks;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 300; ++i) {
        const int action = actions[pick(random)];
        if (action == kTypePeriod) {
            if (Enabled(IDC_SENDPERIOD)) {
                Type(IDC_SENDPERIOD, "10");
            }
        } else {
            Click(action);
            ++clicks[action];
        }
        Pump(pause(random));
        ASSERT_EQ(dlg->m_bPortOpen, dlg->m_ctrlComm.GetPortOpen() ? 1 : 0) << "click " << i;
        ASSERT_EQ(Enabled(IDC_OPEN), dlg->m_bPortOpen == 0) << "click " << i;
    }
    std::cout << "300 actions in " << Ms(Clock::now() - start) << " ms: " << clicks[IDC_OPEN]
              << " OPEN, " << clicks[IDC_CLOSE] << " CLOSE, " << clicks[IDC_MANUALSEND]
              << " manual, " << clicks[IDC_AUTOSEND] << " automatic, " << clicks[IDC_STOPSEND]
              << " stop\n";

    Click(IDC_CLOSE);
    ASSERT_TRUE(WaitUntil([&] { return Running() == 0; })) << "a worker never ended";
    Pump(100);
    EXPECT_EQ(dlg->m_bPortOpen, 0);
    EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
    EXPECT_EQ(dlg->m_bAutoSending.load(), 0);
    ExpectEnabled(kLineControls, true);
    ExpectEnabled(kSendControls, true);
    ExpectEnabled({IDC_CLOSE, IDC_STOPSEND, IDC_SENDTEXT}, true);
    for (const MessageRecord& m : messages) {
        EXPECT_TRUE(m.text == "Please Open the COM." || m.text == "Please open the COM.") << m.text;
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
    EXPECT_GT(listener_->Count(), 0u) << "nothing was ever sent";

    chatter.reset();
    messages.clear();
    ExpectANewDeviceWorks();
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
