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

// A plan's step as it ends, one line: "  battery: FAIL in 3.12 ms after 3
// attempts, vbat=4.31 V: vbat 4.31 above 4.2"; teardown steps read
// "  teardown sleep: PASS in 2.00 ms".
std::string FormatStepLine(const StepResult& step, bool teardown);

// A plan's unit, one line after its steps: "unit 3 (S3-000123): FAIL in
// 254.0 ms at battery: vbat 4.31 above 4.2", with "(retest 2)" after the id of
// a unit tested again.
std::string FormatPlanUnitLine(const UnitResult& unit);

// The verdict in large block letters, a few lines high, for an operator a
// step away: green PASS, red FAIL, yellow TIMEOUT with ANSI colour escapes
// when `colour` is set (only when standard output is a terminal). Empty for
// Undecided.
std::string FormatVerdictBanner(Verdict verdict, bool colour);

// The verdicts of one round's slots side by side, each under its slot's
// name, in the same large letters.
std::string FormatVerdictBanners(const std::vector<std::pair<std::string, Verdict>>& verdicts,
                                 bool colour);

// The counts and unit times of a run, for its summary and its exit code.
class RunTally {
public:
    // Counts one completed unit: PASS, FAIL or TIMEOUT, decided `ms` after
    // its send.
    void Add(Verdict verdict, double ms);

    // Counts a plan unit's steps, for the pass rate of each.
    void AddSteps(const UnitResult& unit);

    int passed() const { return passed_; }
    int failed() const { return failed_; }
    int timedOut() const { return timedOut_; }
    int total() const { return passed_ + failed_ + timedOut_; }

    // "3 passed, 1 failed, 0 timed out; pass rate 75.0%; fastest 1.2 ms,
    // median 2.0 ms, slowest 9.0 ms"; "...; no unit ran" when none did. The
    // rate shows 100.0% only when every unit passed, 0.0% only when none did.
    std::string SummaryLine() const;

    // One line per step of a plan, in the plan's order, so that the step
    // that fails most shows at the end of a shift: "  step battery: 97 of
    // 100 passed (97.0%)". Empty when no step was counted.
    std::string StepLines() const;

private:
    struct StepCount {
        std::string name;
        int ran = 0;
        int passed = 0;
    };
    std::vector<StepCount> steps_;
    int passed_ = 0;
    int failed_ = 0;
    int timedOut_ = 0;
    std::vector<double> unitMs_;
};
