#include "tools/check/runner/CheckProgram.h"

#include <algorithm>
#include <chrono>
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
#include "tools/check/database/ResultsDatabase.h"
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

// --report: the database's yields, nothing run.
int Report(const CheckOptions& o) {
    std::string why;
    const std::optional<DatabaseTarget> target = ParseDatabaseTarget(o.database, why);
    if (!target) {
        return Refused("--db " + o.database + ": " + why);
    }
    WallClock::time_point since = WallClock::now() - std::chrono::hours(24);
    if (!o.since.empty()) {
        const std::optional<WallClock::time_point> given = ParseReportSince(o.since);
        if (!given) {
            return Refused("--since " + o.since +
                           ": give a date and time such as 2025-03-14 or 2025-03-14T08:00, "
                           "local, or with Z or an offset");
        }
        since = *given;
    }
    ResultsDatabase db;
    ResultsReport report;
    if (const std::string e = db.OpenExisting(*target); !e.empty()) {
        return Refused(e);
    }
    if (const std::string e = db.Report(since, report); !e.empty()) {
        return Refused(e);
    }
    std::fputs(FormatResultsReport(report).c_str(), stdout);
    return kExitAllPassed;
}

// --db: opened, its run begun; empty, or why not.
std::string OpenDatabase(const CheckPlan& plan, ResultsDatabase& db) {
    std::string why;
    const std::optional<DatabaseTarget> target = ParseDatabaseTarget(plan.options.database, why);
    if (!target) {
        return "--db " + plan.options.database + ": " + why;
    }
    why = db.Open(*target);
    // The notice is a line per thing it did with the pending file.
    const std::string& notice = db.notice();
    for (size_t at = 0; at < notice.size();) {
        const size_t end = std::min(notice.find('\n', at), notice.size());
        if (end > at) {
            std::fprintf(stderr, "%s: %s\n", kCheckProgram,
                         ForTerminal(notice.substr(at, end - at)).c_str());
        }
        at = end + 1;
    }
    return why.empty() ? db.BeginRun(plan.run) : why;
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
    if (parsed.options.report) {
        return Report(parsed.options);
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
    ResultsDatabase db;
    if (!plan.options.database.empty()) {
        if (const std::string why = OpenDatabase(plan, db); !why.empty()) {
            return Refused(why);
        }
        sinks.store = [&db](const UnitResult& unit) { return db.WriteUnit(unit); };
    }
    CheckSession session(plan, layout, sinks, stop);
    if (const std::string why = session.Open(); !why.empty()) {
        return Refused(why);
    }
    int code = session.Run();
    if (sinks.store) {
        if (const std::string why = db.EndRun(WallClock::now()); !why.empty()) {
            std::fprintf(stderr, "%s: %s\n", kCheckProgram, ForTerminal(why).c_str());
            code = kExitUsageError;
        }
    }
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
