#pragma once

#include <string>
#include <vector>

#include "tools/check/core/Verdict.h"

// Exit codes of the check program.
constexpr int kExitAllPassed = 0;
constexpr int kExitSomeFailed = 1;     // at least one FAIL
constexpr int kExitSomeTimedOut = 2;   // at least one TIMEOUT and no FAIL
constexpr int kExitUsageError = 3;     // usage, port or file error before any unit
constexpr int kExitNoUnit = 4;         // the run ended without a unit (empty input)
constexpr int kExitInterrupted = 130;  // Ctrl-C or SIGTERM before any unit completed

// The counts and unit times of a run, for its summary and its exit code.
class RunTally {
public:
    // Counts one completed unit: PASS, FAIL or TIMEOUT, decided `ms` after
    // its send. Undecided is taken as TIMEOUT.
    void Add(Verdict verdict, double ms);

    int passed() const { return passed_; }
    int failed() const { return failed_; }
    int timedOut() const { return timedOut_; }
    int total() const { return passed_ + failed_ + timedOut_; }

    // "3 passed, 1 failed, 0 timed out; pass rate 75.0%; fastest 1.2 ms,
    // median 2.0 ms, slowest 9.0 ms"; "...; no unit ran" when none did. The
    // rate shows 100.0% only when every unit passed, 0.0% only when none did.
    std::string SummaryLine() const;

    // 1 with any FAIL, else 2 with any TIMEOUT, else 0; 130 when the run was
    // interrupted before a unit completed, 4 when it ended without a unit
    // otherwise (empty input): no script may read that as "all passed".
    int ExitCode(bool interrupted) const;

private:
    int passed_ = 0;
    int failed_ = 0;
    int timedOut_ = 0;
    std::vector<double> unitMs_;
};
