#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/ByteArray.h"
#include "tools/check/core/Verdict.h"

// What a run learnt about its units, in memory, before any log, terminal line
// or database writes it. A unit is a list of steps (one for a command-line
// check), then the teardown steps that always run after them.

using WallClock = std::chrono::system_clock;

// A value read from an answer: a number (a field of the raw bytes, or a named
// group of the pattern) judged against its limits, or a text captured as it is.
struct RecordedValue {
    std::string name;
    std::optional<double> number;  // none for a capture, or a group that is no number
    std::string text;              // a capture, or the group's text; empty for a field
    std::string unit;              // "V", "°C"; may be empty
    std::optional<double> low;     // limits; either end may be open
    std::optional<double> high;
    bool judged = false;  // checked against limits (a measurement), else only recorded
};

struct StepResult {
    std::string name;      // the plan's step name; "check" for a command-line check
    int attempts = 0;      // 0: the unit stopped before the step ran
    ByteArray sent;        // the last attempt's request, checksum included
    ByteArray received;    // the last attempt's answer, up to the byte that decided it
    ByteArray trailing;    // after the verdict, until the line was quiet: never judged
    ByteArray late;        // after a TIMEOUT, within one more timeout: never judged
    std::string expected;  // the expected text, mask or pattern as given
    Verdict verdict = Verdict::Undecided;
    std::string reason;  // empty for PASS: "mismatch at byte 3", "checksum", "no end" ...
    WallClock::time_point start;
    double ms = 0;  // from the last attempt's send to its verdict
    std::vector<RecordedValue> values;
};

struct UnitResult {
    long long unit = 0;  // its number in the run, from 1
    std::string id;      // from standard input; empty without one
    std::string slot;    // the fixture position; empty with one port
    int retest = 1;      // 2, 3 ...: the same id tested again in this run
    Verdict verdict = Verdict::Undecided;
    std::string reason;      // the failing step's reason
    std::string failedStep;  // the step that decided a FAIL or TIMEOUT
    WallClock::time_point start;
    WallClock::time_point end;
    double ms = 0;
    std::vector<StepResult> steps;
    std::vector<StepResult> teardown;
};

// The step that decided a unit's verdict, for the record's one-step columns:
// the first that failed or timed out, else the last that ran.
inline const StepResult* DecidingStep(const UnitResult& unit) {
    const StepResult* last = nullptr;
    for (const StepResult& step : unit.steps) {
        if (step.verdict == Verdict::Fail || step.verdict == Verdict::Timeout) {
            return &step;
        }
        if (step.attempts > 0) {
            last = &step;
        }
    }
    return last;
}

// One run of the check program: which plan judged its units, where and when.
struct RunInfo {
    std::string planName;     // "S3 sensor board"; the command line's check has none
    std::string planVersion;  // as the plan gives it
    std::string planSha256;   // of the plan file's bytes, hex; empty without a file
    std::string station;      // --station, default the host name
    WallClock::time_point start;
    std::optional<WallClock::time_point> end;
};
