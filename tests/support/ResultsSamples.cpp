#include "support/ResultsSamples.h"

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
