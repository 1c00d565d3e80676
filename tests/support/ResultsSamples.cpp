#include "support/ResultsSamples.h"

#include <limits>

#include "platform/text/Gbk.h"

RunInfo SampleRun(const std::string& station) {
    RunInfo run;
    run.planName = "sample plan";
    run.planVersion = "1";
    run.planSha256 = std::string(64, 'a');
    run.station = station;
    run.start = kSampleStart;
    return run;
}

namespace {

StepResult SampleStep(const std::string& name, int values, WallClock::time_point start,
                      Verdict verdict) {
    StepResult step;
    step.name = name;
    step.attempts = 1;
    step.sent = {0x01, 0x03, 0x00};
    step.received = {0xAA, 0xBB};
    step.verdict = verdict;
    step.reason = verdict == Verdict::Pass ? "" : "mismatch at byte 2";
    step.start = start;
    step.ms = 12.5;
    for (int v = 1; v <= values; ++v) {
        RecordedValue value;
        value.name = "v" + std::to_string(v);
        value.number = v * 0.25;
        value.unit = "V";
        value.low = 0;
        value.high = 10;
        value.judged = true;
        step.values.push_back(value);
    }
    return step;
}

}  // namespace

UnitResult SampleUnit(int number, const std::string& idPrefix, int steps, int values) {
    UnitResult unit;
    unit.unit = number;
    unit.id = idPrefix + "-" + std::to_string(number);
    unit.start = kSampleStart + std::chrono::seconds(number);
    unit.end = unit.start + std::chrono::milliseconds(250);
    unit.ms = 250;
    const bool fails = number % 3 == 0;
    for (int s = 1; s <= steps; ++s) {
        const Verdict verdict = fails && s == steps ? Verdict::Fail : Verdict::Pass;
        unit.steps.push_back(SampleStep("step " + std::to_string(s), values,
                                        unit.start + std::chrono::milliseconds(10 * s), verdict));
    }
    unit.teardown.push_back(SampleStep("sleep", 0, unit.end, Verdict::Pass));
    unit.verdict = fails ? Verdict::Fail : Verdict::Pass;
    if (fails) {
        unit.failedStep = unit.steps.back().name;
        unit.reason = unit.steps.back().reason;
    }
    return unit;
}

UnitResult DetailedUnit() {
    UnitResult u;
    u.unit = 7;
    u.id = gbk::Text("工位");  // as a GBK data library or terminal gives it
    u.slot = "A1";
    u.retest = 2;
    u.verdict = Verdict::Fail;
    u.reason = "mismatch at byte 3";
    u.failedStep = "battery";
    u.start = kDetailedStart;
    u.end = kDetailedStart + std::chrono::milliseconds(321);
    u.ms = 320.75;

    StepResult serial;
    serial.name = "serial number";
    serial.attempts = 1;
    serial.sent = {'S', 'N', '?', '\r', '\n'};
    serial.received = {'S', 'N', '=', '0', 'A'};
    serial.verdict = Verdict::Pass;
    serial.start = kDetailedStart + std::chrono::milliseconds(1);
    serial.ms = 12.5;
    serial.values = {{"sn", std::nullopt, "0A", "", std::nullopt, std::nullopt, false}};

    StepResult battery;
    battery.name = "battery";
    battery.attempts = 3;
    battery.sent = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
    battery.received = {0x01, 0x04, 0x02, 0x0C};
    battery.trailing = {0xE4};
    battery.verdict = Verdict::Fail;
    battery.reason = std::string("mismatch at byte 3\0", 19);
    battery.start = kDetailedStart + std::chrono::milliseconds(20);
    battery.ms = 0.25;
    battery.values = {
        {"vbat", 3.3, "", "V", 3.0, 4.2, true},
        {"odd", std::numeric_limits<double>::quiet_NaN(), "", "", std::nullopt,
         std::numeric_limits<double>::infinity(), true},
    };

    StepResult settle;  // the unit stopped before it
    settle.name = "settle";

    StepResult sleep;
    sleep.name = "sleep";
    sleep.attempts = 1;
    sleep.sent = {'S', 'L'};
    sleep.late = {'O', 'K'};
    sleep.verdict = Verdict::Timeout;
    sleep.reason = "no answer";
    sleep.start = kDetailedStart + std::chrono::milliseconds(300);
    sleep.ms = 20;

    u.steps = {serial, battery, settle};
    u.teardown = {sleep};
    return u;
}

RunInfo DetailedRun() {
    return {"S3 board", "4", std::string(64, 'e'), "st-1", kDetailedStart, std::nullopt};
}
