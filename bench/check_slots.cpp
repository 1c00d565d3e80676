// Units per second of one slot against four side by side, each against a
// simulated device that takes 20 ms to answer, as on a fixture of four
// positions: the program's own code (RunCheckProgram, --settle 0, a CSV log).
//
//   bench_check_slots [rounds, default 100]

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/CheckLog.h"
#include "support/DeviceProcess.h"
#include "support/EventLoopWaits.h"
#include "tools/check/runner/CheckProgram.h"

namespace {

constexpr int kAnswerDelayMs = 20;

// Units per second over `rounds` rounds on the first `used` ports, the
// first round (the devices see the ports open) left out; 0 on a failure.
double UnitsPerSecond(const std::vector<std::string>& ports, size_t used, int rounds,
                      const std::string& log) {
    std::vector<std::string> args = {"--send-hex", "01 03",    "--expect",
                                     "AA BB",      "--hex",    "--settle",
                                     "0",          "--repeat", std::to_string(rounds),
                                     "--quiet",    "--log",    log};
    for (size_t i = 0; i < used; ++i) {
        args.insert(args.end(), {"--slot", "S" + std::to_string(i + 1) + "=" + ports[i]});
    }
    if (RunCheckProgram(args) != 0) {
        return 0;
    }
    std::vector<QDateTime> times;
    for (const LoggedUnit& u : ReadLoggedUnits(log)) {
        times.push_back(u.time);
    }
    std::sort(times.begin(), times.end());
    if (times.size() != used * size_t(rounds)) {
        return 0;
    }
    const double ms = double(times[used - 1].msecsTo(times.back()));
    return 1000.0 * double(times.size() - used) / ms;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    std::vector<std::unique_ptr<DeviceProcess>> devices;
    std::vector<std::string> ports;
    for (int i = 0; i < 4; ++i) {
        devices.push_back(std::make_unique<DeviceProcess>(std::vector<std::string>{
            "--answer", "01 03", "AA BB", "--delay", std::to_string(kAnswerDelayMs)}));
        ports.push_back(devices.back()->FirstLine(kPatience));
    }
    QTemporaryDir folder;
    const double one = UnitsPerSecond(ports, 1, rounds, (folder.path() + "/one.csv").toStdString());
    const double four =
        UnitsPerSecond(ports, 4, rounds, (folder.path() + "/four.csv").toStdString());
    if (one <= 0 || four <= 0) {
        std::fprintf(stderr, "a run did not pass every unit\n");
        return 1;
    }
    std::printf("Machine: %s\n", MachineDescription().c_str());
    std::printf("Devices answering after %d ms, --settle 0, %d rounds\n", kAnswerDelayMs, rounds);
    std::printf("One slot:   %.1f units per second\n", one);
    std::printf("Four slots: %.1f units per second (%.2f times one slot)\n", four, four / one);
    for (auto& d : devices) {
        d->Stop(SIGTERM);
    }
    return 0;
}
