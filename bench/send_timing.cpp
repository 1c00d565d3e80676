// Times automatic sending as the device sees it: the window sends a short text
// every period through a pseudo-terminal, the device answers each arrival, and
// the intervals between arrivals are compared with the period.
//
//   bench_send_timing [seconds per period, default 10]

#include <QApplication>

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
    double meanMs = 0;
    double p99Ms = 0;
    double maxMs = 0;
    double firstMs = 0;  // click to first send, less one period
};

Figures Measure(int period, int seconds) {
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
    dlg.SetDlgItemText(IDC_SENDTEXT, kSendText);
    dlg.SetDlgItemText(IDC_SENDPERIOD, std::to_string(period));
    // Longer than all the answers together, so that the filtered data never
    // overruns it: a receive event that did would hold the window's thread
    // for its 100 ms wait, and the sends with it.
    const size_t answers = static_cast<size_t>(seconds) * 1000 / period + 20;
    dlg.SetDlgItemText(IDC_EXPECTED, std::string(answers * 4, 'x'));
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
    PrepareWindowBench();
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    std::printf("Automatic send timing at the device end of a pseudo-terminal\n");
    std::printf("machine: %s\n", MachineDescription().c_str());
    std::printf("%d s per period, text \"%s\", the device answering every arrival\n\n", seconds,
                kSendText);
    std::printf("%9s %9s %14s %14s %14s %16s\n", "period", "intervals", "mean late ms",
                "p99 late ms", "max late ms", "first late ms");
    for (int period : {10, 100, 1000}) {
        const Figures f = Measure(period, period == 1000 ? 2 * seconds : seconds);
        std::printf("%6d ms %9zu %14.2f %14.2f %14.2f %16.2f\n", period, f.intervals, f.meanMs,
                    f.p99Ms, f.maxMs, f.firstMs);
        std::fflush(stdout);
    }
    return 0;
}
