#include "tools/check/runner/CheckProgram.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "serial/CommControl.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/CheckPlan.h"
#include "tools/check/core/ResultsLog.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/UnitReport.h"
#include "tools/check/runner/CheckSession.h"
#include "tools/check/runner/StopSignals.h"

namespace {

int Refused(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", kCheckProgram, ForTerminal(why).c_str());
    return kExitUsageError;
}

// The port by its device path, or COMn with the window's mapping; the control
// takes any baud rate here, and refuses what the port cannot do.
void OpenPort(CommControl& control, const CheckPlan& plan) {
    const CheckOptions& o = plan.options;
    if (o.comPort > 0) {
        control.SetCommPort(static_cast<short>(o.comPort));
    } else {
        control.SetDevicePath(o.port);
    }
    control.SetAnyBaudRate(true);
    control.SetSettings(o.settings);
    control.SetHandshaking(ControlHandshaking(o.flow));
    control.SetInputLen(0);
    control.SetRThreshold(1);
    control.SetPortOpen(true);
}

}  // namespace

int RunExitCode(const RunTally& tally, bool interrupted) {
    if (tally.total() == 0) {
        return interrupted ? kExitInterrupted : kExitNoUnit;
    }
    if (tally.failed() > 0) {
        return kExitSomeFailed;
    }
    if (tally.timedOut() > 0) {
        return kExitSomeTimedOut;
    }
    return kExitAllPassed;
}

int RunCheckProgram(const std::vector<std::string>& arguments) {
    const ParsedCheckCommand parsed = ParseCheckCommand(arguments);
    switch (parsed.action) {
        case ParsedCheckCommand::ShowHelp:
            std::fputs(CheckHelpText().c_str(), stdout);
            return kExitAllPassed;
        case ParsedCheckCommand::ShowVersion:
            std::fputs(CheckVersionText().c_str(), stdout);
            return kExitAllPassed;
        case ParsedCheckCommand::UsageError:
            return Refused(parsed.error);
        case ParsedCheckCommand::Run:
            break;
    }
    const ResolvedCheckPlan resolved = ResolveCheckPlan(parsed.options);
    if (!resolved.plan) {
        return Refused(resolved.error);
    }
    const CheckPlan& plan = *resolved.plan;

    RecordLayout layout;
    layout.port = plan.options.port;
    layout.settings = FormatCommSettings(plan.lineSettings);
    for (const Step& step : plan.steps) {
        for (const std::string& name : ValueNames(step.answer)) {
            if (std::find(layout.valueNames.begin(), layout.valueNames.end(), name) ==
                layout.valueNames.end()) {
                layout.valueNames.push_back(name);
            }
        }
    }
    ResultsLog log(layout);
    if (!plan.options.logPath.empty()) {
        if (const std::string why = log.Open(plan.options.logPath); !why.empty()) {
            return Refused(why);
        }
    }
    // A reader of standard output or of the log that goes away is an error
    // the writes report, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);
    StopSignals stop;
    CommControl control;
    try {
        OpenPort(control, plan);
    } catch (const CommError& error) {
        return Refused(error.what());
    }
    CheckSession session(plan, layout, control, log.isOpen() ? &log : nullptr, stop);
    return session.Run();
}
