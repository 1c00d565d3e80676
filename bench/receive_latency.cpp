// End-to-end receive latency: from one byte written at the device end of a
// pseudo-terminal to the receive view's text changing. The analysis window
// runs offscreen in this process with COM2 opened by "OPEN"; each byte waits
// for the view to change before the next is written, so each is its own
// receive event. Each mode runs without and then with a traffic log, which
// records every event (and reads what the end of each event discards).
//
//   bench_receive_latency [events per mode, default 300]

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/AnalysisDlg.h"
#include "bench/BenchFigures.h"
#include "bench/WindowBench.h"
#include "platform/dialog/MessageBox.h"
#include "res/resource.h"
#include "serial/CommControl.h"
#include "support/Pty.h"
#include "trafficlog/TrafficLog.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until quit() or the timeout.
class Waiter {
public:
    bool Wait(int timeoutMs) {
        QTimer::singleShot(timeoutMs, &loop_, [this] { loop_.exit(1); });
        return loop_.exec() == 0;
    }
    void Pause(int ms) {
        QTimer::singleShot(ms, &loop_, [this] { loop_.exit(0); });
        loop_.exec();
    }
    void Quit() { loop_.exit(0); }

private:
    QEventLoop loop_;
};

struct Figures {
    size_t events = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double maxMs = 0;
};

Figures Measure(bool hex, int events, TrafficLog* log) {
    Pty pty;
    ComMapping mapping(2, pty.path());
    RegisterSerialControl(log);
    CAnalysisDlg dlg;
    if (!dlg.Create()) {
        std::fprintf(stderr, "the window could not be created\n");
        std::exit(1);
    }
    dlg.RunCommand(IDC_OPEN);
    if (!dlg.m_bPortOpen) {
        std::fprintf(stderr, "COM2 did not open on %s\n", pty.path().c_str());
        std::exit(1);
    }

    qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_RECEIVEHEX))->setChecked(hex);
    // Set after "OPEN", which writes the members to the controls. Long
    // enough that the filtered data never overruns it: no event waits
    // for the rest of a broken frame.
    const unsigned char byte = 'A';
    std::string expected;
    for (int i = 0; i < events + 10; ++i) {
        expected += hex ? "41" : "A";
    }
    dlg.SetDlgItemText(IDC_EXPECTED, expected);

    Waiter waiter;
    Clock::time_point changedAt;
    auto* view = qobject_cast<QPlainTextEdit*>(dlg.GetDlgItem(IDC_RECEIVETEXT));
    QObject::connect(view, &QPlainTextEdit::textChanged, view, [&] {
        changedAt = Clock::now();
        waiter.Quit();
    });

    std::vector<double> latencies;
    const int warmUp = 5;
    for (int i = 0; i < events + warmUp; ++i) {
        const Clock::time_point written = Clock::now();
        pty.Write(std::vector<unsigned char>{byte});
        if (!waiter.Wait(5000)) {
            std::fprintf(stderr, "the receive view did not change within 5 s\n");
            std::exit(1);
        }
        if (i >= warmUp) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(changedAt - written).count());
        }
        waiter.Pause(5);  // the event ends and re-arms before the next byte
    }
    // An overrun would have cost its event a 100 ms wait.
    const size_t perByte = hex ? 3 : 1;
    if (dlg.GetDlgItemText(IDC_FILTERED).size() != latencies.size() * perByte + warmUp * perByte) {
        std::fprintf(stderr, "the filtered data was emptied: some events waited\n");
    }
    dlg.RunCommand(IDC_CLOSE);

    std::sort(latencies.begin(), latencies.end());
    Figures f;
    f.events = latencies.size();
    f.medianMs = latencies[latencies.size() / 2];
    f.p99Ms = Percentile99(latencies);
    f.maxMs = latencies.back();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenWindows();
    QApplication app(argc, argv);
    PrepareWindowBench();
    const int events = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;

    std::printf("Receive latency: one byte at the device end to the receive view changed\n");
    std::printf("machine: %s\n", MachineDescription().c_str());
    std::printf("%d single-byte events per mode, window offscreen\n\n", events);
    const std::string logPath = "/tmp/bench_receive_latency_" + std::to_string(getpid()) + ".log";
    std::printf("%10s %5s %7s %11s %11s %11s\n", "mode", "log", "events", "median ms", "p99 ms",
                "max ms");
    for (bool hex : {false, true}) {
        for (bool logged : {false, true}) {
            std::unique_ptr<TrafficLog> log;
            if (logged) {
                std::string why;
                log = TrafficLog::Open(logPath, {}, &why);
                if (!log) {
                    std::fprintf(stderr, "%s\n", why.c_str());
                    return 1;
                }
            }
            const Figures f = Measure(hex, events, log.get());
            std::printf("%10s %5s %7zu %11.3f %11.3f %11.3f\n", hex ? "hex" : "character",
                        logged ? "yes" : "no", f.events, f.medianMs, f.p99Ms, f.maxMs);
            std::fflush(stdout);
        }
    }
    std::remove(logPath.c_str());
    return 0;
}
