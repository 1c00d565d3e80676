// The window on a fast line: COM2 opened at 921600 baud from a --baud-rates
// list, while the device at the other end of a pseudo-terminal sends without
// pause at that rate's byte pace (92,160 bytes a second, 10 bits a byte). It
// measures what the window's thread costs (CPU share of one core, the
// program's own threads together, the device's left out) and how soon a click
// takes effect: "手动发送" is clicked every 250 ms from another thread, as the
// window system would deliver it, and timed to its handler running and to its
// bytes reaching the device. A pseudo-terminal moves bytes without line time,
// so the device paces itself.
//
// Two flood runs then send as fast as the line takes, without and with a
// traffic log, and count the bytes per second the device gets through: the
// log must only watch, not change what the window takes in.
//
//   bench_fast_line [seconds per case, default 10]

#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/AnalysisDlg.h"
#include "bench/BenchFigures.h"
#include "bench/WindowBench.h"
#include "res/resource.h"
#include "support/EventLoopWaits.h"
#include "support/LineSpeed.h"
#include "support/ProcessProbes.h"
#include "support/Pty.h"
#include "trafficlog/TrafficLog.h"

namespace {

constexpr int kBaud = 921600;
constexpr double kBytesPerSecond = kBaud / 10.0;
const std::vector<int> kRates = {1200,  2400,   4800,   9600,   19200, 38400,
                                 57600, 115200, 230400, 460800, 921600};
const std::string kPing = "PING";

// CPU time the calling thread has used; CpuSeconds() is the whole process's.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double MsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The device: sends AA BB pairs at the line's pace (or as fast as the line
// takes them), and notes when a "PING" from the window arrives.
class Device {
public:
    Device(int master, bool flood) : master_(master), flood_(flood) {}
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_ = true;
        thread_.join();
    }
    size_t Sent() const { return sent_; }
    double CpuSeconds() const { return cpu_; }
    std::vector<Clock::time_point> PingArrivals() {
        std::lock_guard<std::mutex> hold(mutex_);
        return pings_;
    }

private:
    void Run() {
        const Clock::time_point start = Clock::now();
        std::vector<unsigned char> chunk(4096);
        for (size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = i % 2 ? 0xBB : 0xAA;
        }
        std::string heard;
        while (!stop_) {
            size_t due = chunk.size() - 1;
            if (!flood_) {
                const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
                const double owed = elapsed * kBytesPerSecond - static_cast<double>(sent_);
                due = owed < 1 ? 0 : std::min(due, static_cast<size_t>(owed));
            }
            pollfd line{master_, static_cast<short>(POLLIN | (due > 0 ? POLLOUT : 0)), 0};
            ::poll(&line, 1, 1);
            if ((line.revents & POLLOUT) && due > 0) {
                // From where the last write stopped, so that AA BB pairs stay whole.
                const ssize_t n = ::write(master_, chunk.data() + (sent_ % 2), due);
                if (n > 0) {
                    sent_ += static_cast<size_t>(n);
                }
            }
            if (line.revents & POLLIN) {
                char in[256];
                const ssize_t n = ::read(master_, in, sizeof in);
                if (n > 0) {
                    heard.append(in, static_cast<size_t>(n));
                    for (size_t at; (at = heard.find(kPing)) != std::string::npos;) {
                        heard.erase(0, at + kPing.size());
                        std::lock_guard<std::mutex> hold(mutex_);
                        pings_.push_back(Clock::now());
                    }
                }
            }
        }
        cpu_ = ThreadCpuSeconds();
    }

    const int master_;
    const bool flood_;
    std::atomic<bool> stop_{false};
    size_t sent_ = 0;
    double cpu_ = 0;
    std::mutex mutex_;
    std::vector<Clock::time_point> pings_;
    std::thread thread_;
};

struct Case {
    const char* name;
    bool hex;
    std::string expected;
    bool log;
    bool flood;
};

struct Figures {
    double seconds = 0;
    double deviceBytesPerSecond = 0;
    size_t events = 0;
    double cpuShare = 0;  // of one core
    std::vector<double> handlerMs;
    std::vector<double> deviceMs;
};

Figures Measure(const Case& c, int seconds) {
    Pty pty;
    ComMapping mapping(2, pty.path());
    std::unique_ptr<TrafficLog> log;
    const std::string logPath = "/tmp/bench_fast_line_" + std::to_string(getpid()) + ".log";
    if (c.log) {
        std::string why;
        log = TrafficLog::Open(logPath, {}, &why);
        if (!log) {
            std::fprintf(stderr, "%s\n", why.c_str());
            std::exit(1);
        }
    }
    RegisterSerialControl(log.get());
    CAnalysisDlg dlg;
    dlg.SetBaudRates(kRates);
    if (!dlg.Create()) {
        std::fprintf(stderr, "the window could not be created\n");
        std::exit(1);
    }
    dlg.window()->show();
    dlg.m_ctrlBaudRate.SetCurSel(static_cast<int>(kRates.size()) - 1);  // 921600
    dlg.RunCommand(IDC_OPEN);
    if (!dlg.m_bPortOpen || LineSpeed(pty.slave()) != static_cast<unsigned>(kBaud)) {
        std::fprintf(stderr, "COM2 did not open at %d baud\n", kBaud);
        std::exit(1);
    }
    qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_RECEIVEHEX))->setChecked(c.hex);
    dlg.SetDlgItemText(IDC_EXPECTED, c.expected);
    dlg.SetDlgItemText(IDC_SENDTEXT, kPing);

    Figures f;
    QObject::connect(dlg.m_ctrlComm.site(), &HostedControl::controlEvent, [&f] { ++f.events; });
    auto* send = qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_MANUALSEND));
    std::atomic<Clock::rep> clickedAt{0};
    std::vector<Clock::time_point> clicks;
    QObject::connect(send, &QAbstractButton::clicked, [&] {
        const Clock::time_point posted{Clock::duration(clickedAt.load())};
        clicks.push_back(posted);
        f.handlerMs.push_back(MsSince(posted, Clock::now()));
    });

    Device device(pty.master(), c.flood);
    std::mutex stopLock;
    std::condition_variable stopped;
    bool stop = false;
    double clickerCpu = 0;
    const double cpuBefore = CpuSeconds();
    const Clock::time_point start = Clock::now();
    device.Start();
    std::thread clicker([&] {
        std::unique_lock<std::mutex> hold(stopLock);
        while (!stopped.wait_for(hold, std::chrono::milliseconds(250), [&] { return stop; })) {
            clickedAt = Clock::now().time_since_epoch().count();
            QMetaObject::invokeMethod(send, "click", Qt::QueuedConnection);
        }
        clickerCpu = ThreadCpuSeconds();
    });
    Idle(seconds * 1000);
    {
        std::lock_guard<std::mutex> hold(stopLock);
        stop = true;
    }
    stopped.notify_all();
    clicker.join();
    Idle(150);  // the last click, and its send, under the same load
    device.Stop();
    const Clock::time_point end = Clock::now();
    const double cpu = CpuSeconds() - cpuBefore - device.CpuSeconds() - clickerCpu;

    f.seconds = std::chrono::duration<double>(end - start).count();
    f.deviceBytesPerSecond = device.Sent() / f.seconds;
    f.cpuShare = cpu / f.seconds;
    const std::vector<Clock::time_point> pings = device.PingArrivals();
    for (size_t i = 0; i < std::min(pings.size(), clicks.size()); ++i) {
        f.deviceMs.push_back(MsSince(clicks[i], pings[i]));
    }
    dlg.RunCommand(IDC_CLOSE);
    dlg.DestroyWindow();
    log.reset();
    RegisterSerialControl();
    std::remove(logPath.c_str());
    return f;
}

std::string Spread(std::vector<double> ms) {
    if (ms.empty()) {
        return "none";
    }
    std::sort(ms.begin(), ms.end());
    char text[96];
    std::snprintf(text, sizeof text, "%6.1f %6.1f %6.1f", ms[ms.size() / 2], Percentile99(ms),
                  ms.back());
    return text;
}

// One case measured, as a row under the table's head.
void PrintRow(const Case& c, int seconds) {
    const Figures f = Measure(c, seconds);
    std::printf("%-28s %8.0fB %7zu %5.1f%%  %-20s  %-20s\n", c.name, f.deviceBytesPerSecond,
                f.events, f.cpuShare * 100, Spread(f.handlerMs).c_str(),
                Spread(f.deviceMs).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenWindows();
    QApplication app(argc, argv);
    PrepareWindowBench();
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;

    std::printf("The window at %d baud: the device sends without pause\n", kBaud);
    std::printf("machine: %s\n", MachineDescription().c_str());
    std::printf(
        "%d s per case; clicks on the send button every 250 ms, timed to its handler\n"
        "and to its bytes at the device (median, 99th percentile, longest, in ms)\n\n",
        seconds);
    const Case paced[] = {
        {"hex, expected AA BB", true, "AA BB", false, false},
        {"hex, expected AA BB, log", true, "AA BB", true, false},
        {"character, no expected", false, "", false, false},
        // A long reference: no event overruns it for a while, and each one
        // shows a longer filtered line.
        {"hex, expected 4 KiB", true, std::string(4096, 'A'), false, false},
        {"hex, expected 16 KiB", true, std::string(16384, 'A'), false, false},
    };
    std::printf("%-28s %9s %7s %6s  %-20s  %-20s\n", "case", "device/s", "events", "CPU",
                "click to handler", "click to device");
    for (const Case& c : paced) {
        PrintRow(c, seconds);
    }

    std::printf("\nFlooding: bytes per second the device gets through\n");
    const Case floods[] = {
        {"flood, hex, expected AA BB", true, "AA BB", false, true},
        {"flood, same with a log", true, "AA BB", true, true},
    };
    for (const Case& c : floods) {
        PrintRow(c, seconds);
    }
    return 0;
}
