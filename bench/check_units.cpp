// Units per second of the check program against the simulated device that
// answers at once, at 115200 baud, and the time each unit takes beyond the
// time its bytes would need on a real line: once back to back (--settle 0),
// once with the default settle time, where the runner's own share is what
// the cycle takes beyond the settle time.
//
//   bench_check_units [units back to back, default 5000]
//
// The program's own code runs in this process (RunCheckProgram, --quiet, a
// CSV log as a script would keep); the device is the built tessaline-device.
// A pseudo-terminal moves bytes without line time, so the measured time per
// unit is all overhead: the program, the device and the kernel between them.
// The line time of the same bytes at 115200 baud is computed: 8N1 sends 10
// bits per byte (start, 8 data, stop), request and answer one after the other.

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/CheckLog.h"
#include "serial/CommSettings.h"
#include "support/DeviceProcess.h"
#include "support/EventLoopWaits.h"
#include "tools/check/core/CheckPlan.h"
#include "tools/check/runner/CheckProgram.h"

namespace {

// A Modbus RTU read of one holding register and its answer, CRCs included.
const char kRequest[] = "01 03 00 00 00 01 84 0A";
const char kAnswer[] = "01 03 02 00 2A 38 5B";
constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10;  // 8N1

size_t ByteCount(const std::string& hex) {
    return (hex.size() + 1) / 3;
}

struct Figures {
    double wallMs = 0;
    double cycleMs = 0;  // from one unit's end to the next's
    std::vector<double> unitMs;
};

// One run of `count` units; none when a unit did not pass.
std::optional<Figures> Run(const std::string& port, int count, const std::string& settle,
                           const std::string& log) {
    std::vector<std::string> args = {
        "--port", port,    "--settings", "115200,n,8,1",        "--send-hex", kRequest, "--expect",
        kAnswer,  "--hex", "--repeat",   std::to_string(count), "--quiet",    "--log",  log,
    };
    if (!settle.empty()) {
        args.insert(args.end(), {"--settle", settle});
    }
    const Clock::time_point start = Clock::now();
    const int code = RunCheckProgram(args);
    Figures f;
    f.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const std::vector<LoggedUnit> units = ReadLoggedUnits(log);
    const long long passed =
        std::count_if(units.begin(), units.end(), [](const LoggedUnit& u) { return u.passed; });
    if (code != 0 || units.size() != size_t(count) || passed != count) {
        std::fprintf(stderr, "the run did not pass every unit: exit %d, %zu units logged\n", code,
                     units.size());
        return std::nullopt;
    }
    // The first unit waits for the device to see the port opened (it looks
    // every 100 ms); the cycle is timed from its end to the last unit's end.
    f.cycleMs = double(units.front().time.msecsTo(units.back().time)) / double(units.size() - 1);
    for (size_t i = 1; i < units.size(); ++i) {
        f.unitMs.push_back(units[i].ms);
    }
    std::sort(f.unitMs.begin(), f.unitMs.end());
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 5000;
    const int settledCount = std::max(50, count / 50);

    DeviceProcess device({"--answer", kRequest, kAnswer});
    const std::string port = device.FirstLine(kPatience);
    QTemporaryDir folder;
    const std::optional<Figures> backToBack =
        Run(port, count, "0", (folder.path() + "/fast.csv").toStdString());
    const std::optional<Figures> settled =
        Run(port, settledCount, "", (folder.path() + "/settled.csv").toStdString());
    if (!backToBack || !settled) {
        return 1;
    }
    const Figures& f = *backToBack;
    const size_t bytes = ByteCount(kRequest) + ByteCount(kAnswer);
    const double lineMs = 1000.0 * double(bytes * kBitsPerByte) / kBaud;
    const int settleMs = DefaultSettleMs(*ParseCommSettingsAnyBaud("115200,n,8,1"));
    std::printf("Machine: %s\n", MachineDescription().c_str());
    std::printf("At %d baud, request %zu bytes, answer %zu bytes, all PASS\n", kBaud,
                ByteCount(kRequest), ByteCount(kAnswer));
    std::printf("--settle 0, %d units, whole run (opening included): %.0f ms\n", count, f.wallMs);
    std::printf("  Units per second: %.0f (%.3f ms per unit, from the log's times)\n",
                1000.0 / f.cycleMs, f.cycleMs);
    std::printf("  Send to verdict: median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms\n",
                f.unitMs[f.unitMs.size() / 2], Percentile99(f.unitMs), f.unitMs.back());
    std::printf("  Line time of the same %zu bytes at %d baud 8N1: %.3f ms\n", bytes, kBaud,
                lineMs);
    std::printf("  On a real line at %d baud: about %.0f units per second\n", kBaud,
                1000.0 / (lineMs + f.cycleMs));
    std::printf("Default settle (%d ms), %d units:\n", settleMs, settledCount);
    std::printf("  Units per second: %.1f (%.3f ms per unit)\n", 1000.0 / settled->cycleMs,
                settled->cycleMs);
    std::printf("  Runner's own time per unit beyond the settle time: %.3f ms\n",
                settled->cycleMs - settleMs);
    device.Stop(SIGTERM);
    return 0;
}
