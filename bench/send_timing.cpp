// Times automatic sending as the device sees it: the window sends a short text
// every period through a pseudo-terminal, the device answers each arrival, and
// the intervals between arrivals are compared with the period.
//
//   bench_send_timing [--overrun] [seconds per period, default 10]
//
// --overrun leaves the expected text empty, so that every answer overruns it
// and its receive event waits 100 ms on the window's thread.

#include <QApplication>
#include <QCommandLineParser>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/AnalysisDlg.h"
#include "bench/BenchFigures.h"
#include "bench/WindowBench.h"
#include "platform/dialog/MessageBox.h"
#include "res/resource.h"
#include "serial/CommControl.h"
#include "support/DeviceListener.h"
#include "support/EventLoopWaits.h"
#include "support/Pty.h"

namespace {

const char kSendText[] = "PING";
const size_t kSendSize = sizeof kSendText - 1;

struct Figures {
    size_t intervals = 0;
    size_t receiveEvents = 0;
    double meanMs = 0;
    double p99Ms = 0;
    double maxMs = 0;
    double firstMs = 0;  // click to first send, less one period
};

Figures Measure(int period, int seconds, bool overrun) {
    Pty pty;
    ComMapping mapping(2, pty.path());
    DeviceListener device(pty.master());
    device.ReplyWith({'O', 'K', '\r', '\n'});

    CAnalysisDlg dlg;
    Figures f;
    if (!dlg.Create()) {
        std::fprintf(stderr, "the window could not be created\n");
        std::exit(1);
    }
    dlg.RunCommand(IDC_OPEN);
    QObject::connect(dlg.m_ctrlComm.site(), &HostedControl::controlEvent,
                     [&f] { ++f.receiveEvents; });
    dlg.SetDlgItemText(IDC_SENDTEXT, kSendText);
    dlg.SetDlgItemText(IDC_SENDPERIOD, std::to_string(period));
    // Without --overrun, longer than all the answers together, so that the
    // filtered data never overruns it and no receive event waits.
    const size_t answers = static_cast<size_t>(seconds) * 1000 / period + 20;
    dlg.SetDlgItemText(IDC_EXPECTED, overrun ? std::string() : std::string(answers * 4, 'x'));
    const Clock::time_point clicked = Clock::now();
    dlg.RunCommand(IDC_AUTOSEND);
    Idle(seconds * 1000);
    dlg.RunCommand(IDC_STOPSEND);
    WaitUntil([&] { return dlg.IsItemEnabled(IDC_AUTOSEND); }, 10000);
    Idle(50);

    const std::vector<Clock::time_point> sends = device.SendTimes(kSendSize);
    if (sends.size() < 2) {
        std::fprintf(stderr, "period %d ms: only %zu sends arrived\n", period, sends.size());
        std::exit(1);
    }
    std::vector<double> late;
    for (size_t i = 1; i < sends.size(); ++i) {
        const std::chrono::duration<double, std::milli> interval = sends[i] - sends[i - 1];
        late.push_back(interval.count() - period);
    }
    std::sort(late.begin(), late.end());
    f.intervals = late.size();
    for (double d : late) {
        f.meanMs += d;
    }
    f.meanMs /= static_cast<double>(late.size());
    f.p99Ms = Percentile99(late);
    f.maxMs = late.back();
    f.firstMs = std::chrono::duration<double, std::milli>(sends.front() - clicked).count() - period;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenWindows();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Automatic send timing at the device end of a pseudo-terminal");
    parser.addHelpOption();
    parser.addOption({"overrun",
                      "Leave the expected text empty, so that every answer overruns it and its "
                      "receive event waits 100 ms."});
    parser.addPositionalArgument("seconds",
                                 "Seconds per period (default 10; twice that for 1000 ms).");
    parser.process(app);
    PrepareWindowBench();
    const bool overrun = parser.isSet("overrun");
    const QStringList positional = parser.positionalArguments();
    const int seconds = positional.isEmpty() ? 10 : std::max(1, positional[0].toInt());

    std::printf("Automatic send timing at the device end of a pseudo-terminal\n");
    std::printf("machine: %s\n", MachineDescription().c_str());
    std::printf("%d s per period, text \"%s\", the device answering every arrival, %s\n\n", seconds,
                kSendText,
                overrun ? "the expected text empty: every answer overruns it and waits 100 ms"
                        : "the expected text longer than all the answers");
    std::printf("%9s %9s %14s %14s %14s %16s %15s\n", "period", "intervals", "mean late ms",
                "p99 late ms", "max late ms", "first late ms", "receive events");
    for (int period : {10, 100, 1000}) {
        const Figures f = Measure(period, period == 1000 ? 2 * seconds : seconds, overrun);
        std::printf("%6d ms %9zu %14.2f %14.2f %14.2f %16.2f %15zu\n", period, f.intervals,
                    f.meanMs, f.p99Ms, f.maxMs, f.firstMs, f.receiveEvents);
        std::fflush(stdout);
    }
    return 0;
}
