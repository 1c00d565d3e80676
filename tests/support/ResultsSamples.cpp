#include "support/ResultsSamples.h"

#include <limits>

#include "platform/text/Gbk.h"

using std::chrono::milliseconds;

RunInfo SampleRun(const std::string& station) {
    return {"P", "1", std::string(64, 'a'), station, kSampleStart, std::nullopt};
}

UnitResult SampleUnit(long long number, const std::string& id, const std::string& verdicts,
                      int values, int seconds, int retest) {
    UnitResult u;
    u.unit = number;
    u.id = id;
    u.retest = retest;
    u.start = kSampleStart + std::chrono::seconds(seconds);
    u.end = u.start + milliseconds(100);
    u.ms = 100;
    for (size_t s = 0; s < verdicts.size(); ++s) {
        StepResult step;
        step.name = "s" + std::to_string(s + 1);
        step.start = u.start + milliseconds(10 * (s + 1));
        step.ms = 5;
        if (verdicts[s] != '-') {
            step.attempts = 1;
            step.sent = {0x01, 0x03};
            step.received = {0xAA};
            step.verdict = verdicts[s] == 'F'   ? Verdict::Fail
                           : verdicts[s] == 'T' ? Verdict::Timeout
                                                : Verdict::Pass;
            step.reason = step.verdict == Verdict::Pass ? "" : "mismatch at byte 1";
            for (int v = 1; v <= values; ++v) {
                step.values.push_back({"v" + std::to_string(v), 1.5, "", "V", 1.0, 2.0, true});
            }
        }
        u.steps.push_back(step);
    }
    const size_t decider = verdicts.find_first_of("FT");
    u.verdict = decider == std::string::npos ? Verdict::Pass : u.steps[decider].verdict;
    if (decider != std::string::npos) {
        u.failedStep = u.steps[decider].name;
        u.reason = u.steps[decider].reason;
    }
    StepResult sleep;
    sleep.name = "sleep";
    sleep.attempts = 1;
    sleep.verdict = Verdict::Pass;
    sleep.start = u.start + milliseconds(90);
    u.teardown = {sleep};
    return u;
}

RunInfo DetailedRun() {
    return {"S3 board", "4", std::string(64, 'e'), "st-1", kDetailedStart, std::nullopt};
}

namespace {

StepResult DetailedStep(const std::string& name, int attempts, const std::string& sent,
                        const std::string& received, Verdict verdict, const std::string& reason,
                        int startMs, double ms) {
    StepResult step;
    step.name = name;
    step.attempts = attempts;
    step.sent.assign(sent.begin(), sent.end());
    step.received.assign(received.begin(), received.end());
    step.verdict = verdict;
    step.reason = reason;
    step.start = kDetailedStart + milliseconds(startMs);
    step.ms = ms;
    return step;
}

}  // namespace

UnitResult DetailedUnit() {
    StepResult serial =
        DetailedStep("serial number", 1, "SN?\r\n", "SN=0A", Verdict::Pass, "", 1, 12.5);
    serial.values = {{"sn", std::nullopt, "0A", "", std::nullopt, std::nullopt, false}};
    StepResult battery =
        DetailedStep("battery", 3, std::string("\x01\x04\0\0\0\x01\x31\xCA", 8), "\x01\x04\x02\x0C",
                     Verdict::Fail, std::string("mismatch at byte 3\0", 19), 20, 0.25);
    battery.trailing = {0xE4};
    battery.values = {
        {"vbat", 3.3, "", "V", 3.0, 4.2, true},
        {"odd", std::numeric_limits<double>::quiet_NaN(), "", "", std::nullopt,
         std::numeric_limits<double>::infinity(), true},
    };
    StepResult settle;  // the unit stopped before it
    settle.name = "settle";
    StepResult sleep = DetailedStep("sleep", 1, "SL", "", Verdict::Timeout, "no answer", 300, 20);
    sleep.late = {'O', 'K'};
    // The id as a GBK data library or terminal gives it.
    return {7,
            gbk::Text("工位"),
            "A1",
            2,
            Verdict::Fail,
            "mismatch at byte 3",
            "battery",
            kDetailedStart,
            kDetailedStart + milliseconds(321),
            320.75,
            {serial, battery, settle},
            {sleep}};
}
