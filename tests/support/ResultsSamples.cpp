#include "support/ResultsSamples.h"

#include <limits>

#include "platform/text/Gbk.h"

using std::chrono::milliseconds;

namespace {

StepResult Step(const std::string& name, int attempts, const std::string& sent,
                const std::string& received, Verdict verdict, const std::string& reason,
                WallClock::time_point start, double ms) {
    StepResult step;
    step.name = name;
    step.attempts = attempts;
    step.sent.assign(sent.begin(), sent.end());
    step.received.assign(received.begin(), received.end());
    step.verdict = verdict;
    step.reason = reason;
    step.start = start;
    step.ms = ms;
    return step;
}

}  // namespace

RunInfo SampleRun(const std::string& station) {
    return {"P", "1", std::string(64, 'a'), station, kSampleStart, std::nullopt};
}

UnitResult SampleUnit(long long number, const std::string& id, const std::string& verdicts,
                      int values, int seconds, int retest) {
    const WallClock::time_point start = kSampleStart + std::chrono::seconds(seconds);
    UnitResult u{number, id, "", retest, Verdict::Pass, "", "", start, start + milliseconds(100),
                 100,    {}, {}};
    for (size_t s = 0; s < verdicts.size(); ++s) {
        const std::string name = "s" + std::to_string(s + 1);
        const auto at = start + milliseconds(10 * (s + 1));
        if (verdicts[s] == '-') {
            u.steps.push_back(Step(name, 0, "", "", Verdict::Undecided, "", at, 0));
            continue;
        }
        const Verdict verdict = verdicts[s] == 'F'   ? Verdict::Fail
                                : verdicts[s] == 'T' ? Verdict::Timeout
                                                     : Verdict::Pass;
        const std::string reason = verdict == Verdict::Pass ? "" : "mismatch at byte 1";
        u.steps.push_back(Step(name, 1, "\x01\x03", "\xAA", verdict, reason, at, 5));
        for (int v = 1; v <= values; ++v) {
            u.steps.back().values.push_back(
                {"v" + std::to_string(v), 1.5, "", "V", 1.0, 2.0, true});
        }
        if (verdict != Verdict::Pass && u.verdict == Verdict::Pass) {
            u.verdict = verdict;
            u.failedStep = name;
            u.reason = reason;
        }
    }
    u.teardown = {Step("sleep", 1, "", "", Verdict::Pass, "", start + milliseconds(90), 5)};
    return u;
}

RunInfo DetailedRun() {
    return {"S3 board", "4", std::string(64, 'e'), "st-1", kDetailedStart, std::nullopt};
}

UnitResult DetailedUnit() {
    const auto at = [](int ms) { return kDetailedStart + milliseconds(ms); };
    StepResult serial =
        Step("serial number", 1, "SN?\r\n", "SN=0A", Verdict::Pass, "", at(1), 12.5);
    serial.values = {{"sn", std::nullopt, "0A", "", std::nullopt, std::nullopt, false}};
    StepResult battery =
        Step("battery", 3, std::string("\x01\x04\0\0\0\x01\x31\xCA", 8), "\x01\x04\x02\x0C",
             Verdict::Fail, std::string("mismatch at byte 3\0", 19), at(20), 0.25);
    battery.trailing = {0xE4};
    battery.values = {
        {"vbat", 3.3, "", "V", 3.0, 4.2, true},
        {"odd", std::numeric_limits<double>::quiet_NaN(), "", "", std::nullopt,
         std::numeric_limits<double>::infinity(), true},
    };
    StepResult settle;  // the unit stopped before it
    settle.name = "settle";
    StepResult sleep = Step("sleep", 1, "SL", "", Verdict::Timeout, "no answer", at(300), 20);
    sleep.late = {'O', 'K'};
    // The id as a GBK data library or terminal gives it.
    return {7,
            gbk::Text("工位"),
            "A1",
            2,
            Verdict::Fail,
            "mismatch at byte 3",
            "battery",
            at(0),
            at(321),
            320.75,
            {serial, battery, settle},
            {sleep}};
}
