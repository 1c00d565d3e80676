#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/check/core/StepRules.h"
#include "tools/check/core/UnitResult.h"

class CommControl;
class StopSignals;

// What a step that asks the operator needs: the text shown, then a line
// read (Enter); false when none can come (end of input, a stop request).
using PromptAnswer = std::function<bool(const std::string& prompt)>;

// How a unit's run ended beyond its result.
struct UnitRunEnd {
    bool givenUp = false;  // a second stop request: the unit is not counted
    std::string portLost;  // the device went away: the control's message
};

// One unit on the open port: its steps in order, then its teardown steps.
//
// Each attempt of a step first discards what waits on the port; a step
// passes on its first passing attempt and has `retries` more after a failed
// or timed-out one. After its last failed attempt, a step that stops on
// failure skips to the teardown, else the next step runs. A wait step only
// waits; a prompt step shows its text and waits for Enter. Teardown steps
// always run, after a failure, a first stop request or a device that stopped
// answering, but not once the device is gone or a second stop request gives
// the unit up; their failures are recorded and leave the verdict alone.
//
// The unit passes when every step passed, fails when one failed, times out
// when one timed out and none failed. A unit stopped before all its steps
// ran fails ("stopped before NAME"), so that it is never taken for tested.
class UnitRunner {
public:
    // `onStep` hears of each step as it ends (teardown: true for those);
    // `prompt` answers prompt steps. The references must outlive the runner.
    UnitRunner(CommControl& control, const std::vector<Step>& steps,
               const std::vector<Step>& teardown, StopSignals& stop, PromptAnswer prompt,
               std::function<void(const StepResult&, bool teardown)> onStep);

    UnitResult Run(long long number, const std::string& id, UnitRunEnd& end);

private:
    StepResult RunStep(const Step& step, UnitRunEnd& end);

    CommControl& control_;
    const std::vector<Step>& steps_;
    const std::vector<Step>& teardown_;
    StopSignals& stop_;
    PromptAnswer prompt_;
    std::function<void(const StepResult&, bool)> onStep_;
};
