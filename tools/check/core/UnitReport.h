#pragma once

#include <string>
#include <vector>

#include "tools/check/core/StepRules.h"
#include "tools/check/core/UnitResult.h"

// What a person sees of one unit on standard output.

// The line of a one-step unit judged by `rule`, then for FAIL and TIMEOUT
// what was expected and what came; every line ends with LF.
//
//   unit 2 (SN7): FAIL in 4.2 ms, sent 01 03, received AA BC
//     expected  AA BB
//     received  AA BC
//     first difference at character 4 (blanks and tabs removed)
//
// With the window's comparison, in character mode each side shows its text
// quoted and escaped, then its bytes in hex: `expected  "OK\r\n"  4F 4B 0D 0A`.
// A mask shows its pairs, a pattern itself; a reason other than a mismatch
// of the comparison follows as "  reason    checksum". Received is what
// arrived up to the verdict; "nothing" when no byte came. "(SN7)" shows only
// when the unit has an id, its control characters escaped. Bytes that came
// after the verdict follow as ", trailing 0D 0A", an answer after a TIMEOUT
// as ", late 4F 4B", then the values read: ", vbat=3.61 V, sn=\"00A1\"".
std::string FormatUnitReport(const UnitResult& unit, const AnswerRule& rule);

// The verdict in large block letters, a few lines high, for an operator a
// step away: green PASS, red FAIL, yellow TIMEOUT with ANSI colour escapes
// when `colour` is set (only when standard output is a terminal). Empty for
// Undecided.
std::string FormatVerdictBanner(Verdict verdict, bool colour);

// The counts and unit times of a run, for its summary and its exit code.
class RunTally {
public:
    // Counts one completed unit: PASS, FAIL or TIMEOUT, decided `ms` after
    // its send.
    void Add(Verdict verdict, double ms);

    int passed() const { return passed_; }
    int failed() const { return failed_; }
    int timedOut() const { return timedOut_; }
    int total() const { return passed_ + failed_ + timedOut_; }

    // "3 passed, 1 failed, 0 timed out; pass rate 75.0%; fastest 1.2 ms,
    // median 2.0 ms, slowest 9.0 ms"; "...; no unit ran" when none did. The
    // rate shows 100.0% only when every unit passed, 0.0% only when none did.
    std::string SummaryLine() const;

private:
    int passed_ = 0;
    int failed_ = 0;
    int timedOut_ = 0;
    std::vector<double> unitMs_;
};
