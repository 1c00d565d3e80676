#pragma once

#include <string>
#include <vector>

class RunTally;

// Exit codes of the check program.
constexpr int kExitAllPassed = 0;
constexpr int kExitSomeFailed = 1;     // at least one FAIL
constexpr int kExitSomeTimedOut = 2;   // at least one TIMEOUT and no FAIL
constexpr int kExitUsageError = 3;     // usage, port or file error, or a run cut short
constexpr int kExitNoUnit = 4;         // the run ended without a unit (empty input)
constexpr int kExitInterrupted = 130;  // Ctrl-C or SIGTERM before any unit completed

// 1 with any FAIL, else 2 with any TIMEOUT, else 0; 130 when the run was
// interrupted before a unit completed, 4 when it ended without a unit
// otherwise (empty input): no script may read that as "all passed".
int RunExitCode(const RunTally& tally, bool interrupted);

// The check program from its command line to its exit code: options, plan,
// results log, the port opened through the serial control, the units and the
// summary. Needs a QCoreApplication; prints to standard output and error.
// A usage, port or file error before the first unit prints one line on
// standard error and returns 3.
int RunCheckProgram(const std::vector<std::string>& arguments);
