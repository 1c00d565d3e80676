#include "tools/check/runner/CheckProgram.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "serial/CommControl.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/CheckPlan.h"
#include "tools/check/core/JUnitReport.h"
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

// What every record of the run shares.
RecordLayout LayoutOf(const CheckPlan& plan) {
    RecordLayout layout;
    layout.port = plan.options.port;
    layout.settings = FormatCommSettings(plan.lineSettings);
    if (plan.fixtureSlots.size() > 1 || !plan.fixtureSlots.front().name.empty()) {
        for (const SlotPort& slot : plan.fixtureSlots) {
            layout.slotPorts[slot.name] = slot.port;
        }
    }
    layout.valueNames = PlanValueNames(plan);
    layout.plan = plan.fromPlan;
    layout.run = plan.run;
    return layout;
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
    const ResolvedCheckPlan resolved =
        ResolveCheckPlan(parsed.options, ::isatty(STDIN_FILENO) == 1);
    if (!resolved.plan) {
        return Refused(resolved.error);
    }
    CheckPlan plan = *resolved.plan;
    plan.run.start = WallClock::now();
    const RecordLayout layout = LayoutOf(plan);
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
    JUnitReport junit;
    RunSinks sinks;
    sinks.log = log.isOpen() ? &log : nullptr;
    sinks.junit = plan.options.junitPath.empty() ? nullptr : &junit;
    CheckSession session(plan, layout, sinks, stop);
    if (const std::string why = session.Open(); !why.empty()) {
        return Refused(why);
    }
    int code = session.Run();
    if (sinks.junit) {
        plan.run.end = WallClock::now();
        const std::string suite = plan.fromPlan ? plan.run.planName : kCheckProgram;
        if (const std::string why = junit.Write(plan.options.junitPath, plan.run, suite);
            !why.empty()) {
            std::fprintf(stderr, "%s: %s\n", kCheckProgram, ForTerminal(why).c_str());
            code = kExitUsageError;
        }
    }
    return code;
}
