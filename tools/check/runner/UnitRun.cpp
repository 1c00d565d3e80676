#include "tools/check/runner/UnitRun.h"

#include <chrono>

#include "tools/check/runner/StepExchange.h"
#include "tools/check/runner/StopSignals.h"

namespace {

double MsSince(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

}  // namespace

UnitRunner::UnitRunner(CommControl& control, const std::vector<Step>& steps,
                       const std::vector<Step>& teardown, StopSignals& stop, PromptAnswer prompt,
                       std::function<void(const StepResult&, bool)> onStep)
    : control_(control),
      steps_(steps),
      teardown_(teardown),
      stop_(stop),
      prompt_(std::move(prompt)),
      onStep_(std::move(onStep)) {}

StepResult UnitRunner::RunStep(const Step& step, UnitRunEnd& end) {
    StepResult r;
    r.name = step.name;
    r.expected = step.answer.expected;
    r.start = WallClock::now();
    const auto started = std::chrono::steady_clock::now();
    if (step.waitMs > 0 || !step.prompt.empty()) {
        r.attempts = 1;
        const bool done = step.prompt.empty() ? stop_.Wait(step.waitMs) : prompt_(step.prompt);
        r.ms = MsSince(started);
        r.verdict = done ? Verdict::Pass : Verdict::Fail;
        if (!done) {
            r.reason = step.prompt.empty() ? "stopped while waiting" : "no answer to the prompt";
        }
        return r;
    }
    for (int attempt = 0; attempt <= step.retries; ++attempt) {
        StepOutcome o = ExchangeStep(control_, step, stop_);
        r.attempts = attempt + 1;
        if (o.givenUp) {
            end.givenUp = true;
            return r;
        }
        r.sent = std::move(o.sent);
        r.received = std::move(o.received);
        r.trailing = std::move(o.trailing);
        r.late = std::move(o.late);
        r.verdict = o.verdict;
        r.reason = std::move(o.reason);
        r.ms = o.ms;
        r.values = std::move(o.values);
        if (!o.portLost.empty()) {
            end.portLost = o.portLost;
            break;
        }
        if (r.verdict == Verdict::Pass || stop_.requested()) {
            break;
        }
    }
    return r;
}

UnitResult UnitRunner::Run(long long number, const std::string& id, UnitRunEnd& end) {
    UnitResult unit;
    unit.unit = number;
    unit.id = id;
    unit.start = WallClock::now();
    const auto started = std::chrono::steady_clock::now();
    std::string stoppedBefore;
    for (const Step& step : steps_) {
        if (stop_.requested() && !unit.steps.empty()) {
            stoppedBefore = step.name;
            break;
        }
        StepResult r = RunStep(step, end);
        if (end.givenUp) {
            return unit;
        }
        onStep_(r, false);
        const bool failed = r.verdict != Verdict::Pass;
        unit.steps.push_back(std::move(r));
        if (!end.portLost.empty() || (failed && step.stopOnFail)) {
            break;
        }
    }
    unit.ms = unit.steps.size() == 1 ? unit.steps.front().ms : MsSince(started);
    unit.end = WallClock::now();
    for (const Step& step : teardown_) {
        if (!end.portLost.empty() || stop_.count() >= 2) {
            break;
        }
        StepResult r = RunStep(step, end);
        if (end.givenUp) {
            end.givenUp = false;  // the unit is decided: only the teardown is cut short
            break;
        }
        onStep_(r, true);
        unit.teardown.push_back(std::move(r));
    }
    // The first failure decides, else the first timeout; a pass only when
    // every step ran.
    const auto first = [&](Verdict v) -> const StepResult* {
        for (const StepResult& r : unit.steps) {
            if (r.verdict == v) {
                return &r;
            }
        }
        return nullptr;
    };
    if (const StepResult* r =
            first(Verdict::Fail) ? first(Verdict::Fail) : first(Verdict::Timeout)) {
        unit.verdict = r->verdict;
        unit.reason = r->reason;
        unit.failedStep = r->name;
    } else if (!stoppedBefore.empty()) {
        unit.verdict = Verdict::Fail;
        unit.reason = "stopped before " + stoppedBefore;
        unit.failedStep = stoppedBefore;
    } else {
        unit.verdict = Verdict::Pass;
    }
    return unit;
}
