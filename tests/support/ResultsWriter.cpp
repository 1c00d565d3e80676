// tessaline-results-writer DB UNITS STEPS VALUES STATION
// A second program for the database tests: writes UNITS passing units of
// STEPS steps with VALUES values each to DB as the check program would, one
// run of station STATION, and prints "unit N" once unit N is in. Exit 3 with
// the library's line on standard error when the database fails.
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
    const std::string station = argv[5];
    std::string error;
    ResultsDatabase db;
    if (const auto target = ParseDatabaseTarget(argv[1], error)) {
        error = db.Open(*target);
    }
    if (error.empty()) {
        error = db.BeginRun(SampleRun(station));
    }
    const std::string verdicts(std::stoul(argv[3]), 'P');
    for (int n = 1; error.empty() && n <= std::stoi(argv[2]); ++n) {
        error = db.WriteUnit(
            SampleUnit(n, station + "-" + std::to_string(n), verdicts, std::stoi(argv[4]), n));
        if (error.empty()) {
            std::printf("unit %d\n", n);
            std::fflush(stdout);
        }
    }
    if (error.empty()) {
        error = db.EndRun(kSampleStart + std::chrono::hours(1));
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 3;
    }
    return 0;
}
