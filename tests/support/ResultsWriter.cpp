// tessaline-results-writer DB UNITS STEPS VALUES STATION
// A second program for the database tests: writes UNITS units of STEPS
// steps with VALUES values each to DB as the check program would, one run
// of station STATION, and prints "unit N" once unit N is in. Exit 3 with the
// library's line on standard error when the database fails.
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "support/ResultsSamples.h"
#include "tools/check/database/ResultsDatabase.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s DB UNITS STEPS VALUES STATION\n", argv[0]);
        return 3;
    }
    const int units = std::stoi(argv[2]);
    const int steps = std::stoi(argv[3]);
    const int values = std::stoi(argv[4]);
    std::string error;
    const auto target = ParseDatabaseTarget(argv[1], error);
    ResultsDatabase db;
    if (target) {
        error = db.Open(*target);
    }
    RunInfo run = SampleRun(argv[5]);
    if (error.empty()) {
        error = db.BeginRun(run);
    }
    for (int n = 1; error.empty() && n <= units; ++n) {
        error = db.WriteUnit(SampleUnit(n, argv[5], steps, values));
        if (error.empty()) {
            std::printf("unit %d\n", n);
            std::fflush(stdout);
        }
    }
    if (error.empty()) {
        error = db.EndRun(run.start + std::chrono::seconds(1));
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 3;
    }
    return 0;
}
