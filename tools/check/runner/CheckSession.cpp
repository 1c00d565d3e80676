#include "tools/check/runner/CheckSession.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "serial/CommControl.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/ResultsLog.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/UnitReport.h"
#include "tools/check/runner/CheckProgram.h"
#include "tools/check/runner/StopSignals.h"
#include "tools/check/runner/UnitRun.h"

namespace {

void WriteError(const std::string& text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

CheckSession::CheckSession(const CheckPlan& plan, const RecordLayout& layout, CommControl& control,
                           ResultsLog* log, StopSignals& stop)
    : plan_(plan), layout_(layout), control_(control), log_(log), stop_(stop), out_(STDOUT_FILENO) {
    const CheckOptions& o = plan_.options;
    if (o.idsFromStdin) {
        ids_.emplace(STDIN_FILENO, ::isatty(STDIN_FILENO) == 1, stop_);
    }
    bannerShown_ = o.idsFromStdin && !o.quiet && !o.json && ::isatty(STDOUT_FILENO) == 1;
}

CheckSession::Next CheckSession::NextUnit(std::string& id) {
    if (stop_.requested()) {
        return Next::Stopped;
    }
    if (ids_) {
        switch (ids_->Next(id)) {
            case UnitIdSource::Result::Unit:
                break;
            case UnitIdSource::Result::End:
                return Next::End;
            case UnitIdSource::Result::Stopped:
                return Next::Stopped;
        }
    } else if (unit_ >= plan_.options.repeat) {
        return Next::End;
    }
    return unit_ == 0 || Pause() ? Next::Unit : Next::Stopped;
}

bool CheckSession::Pause() {
    if (plan_.options.intervalMs == 0) {
        return true;
    }
    QEventLoop loop;
    QTimer::singleShot(plan_.options.intervalMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    QObject::connect(&stop_.notifier(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    if (!stop_.requested()) {
        loop.exec();
    }
    return !stop_.requested();
}

int CheckSession::Run() {
    bool interrupted = false;
    std::string failure;
    std::string id;
    UnitRunner runner(
        control_, plan_.steps, teardown_, stop_, [](const std::string&) { return false; },
        [](const StepResult&, bool) {});
    for (;;) {
        const Next next = NextUnit(id);
        if (next != Next::Unit) {
            interrupted = next == Next::Stopped;
            break;
        }
        UnitRunEnd end;
        UnitResult unit;
        try {
            unit = runner.Run(unit_ + 1, id, end);
        } catch (const CommError& error) {
            failure = error.what();
            break;
        }
        if (end.givenUp) {
            interrupted = true;  // the unit is not counted
            break;
        }
        ++unit_;
        if (log_) {
            failure = log_->Append(unit);
        }
        Print(unit);
        tally_.Add(unit.verdict, unit.ms);
        if (failure.empty() && out_.state() == RunOutput::State::Failed) {
            failure = out_.failure();
        }
        if (failure.empty()) {
            failure = end.portLost;
        }
        if (!failure.empty() || out_.state() == RunOutput::State::ReaderGone) {
            break;
        }
    }
    return Finish(interrupted, failure);
}

void CheckSession::Print(const UnitResult& unit) {
    const CheckOptions& o = plan_.options;
    if (o.quiet) {
        return;
    }
    if (o.json) {
        out_.Write(FormatJsonRecord(layout_, unit));
        return;
    }
    std::string text = FormatUnitReport(unit, plan_.steps.front().answer);
    if (bannerShown_) {
        text += FormatVerdictBanner(unit.verdict, true);
    }
    out_.Write(text);
}

int CheckSession::Finish(bool interrupted, std::string failure) {
    const std::string ran =
        std::to_string(tally_.total()) + (tally_.total() == 1 ? " unit" : " units");
    if (ids_ && ids_->prompting()) {
        WriteError("\n");  // off the prompt's line
    }
    // Lines that named no unit: units of the input were never tested.
    const int skipped = ids_ ? ids_->skipped() : 0;
    if (failure.empty() && skipped > 0) {
        WriteError(std::string(kCheckProgram) + ": " + std::to_string(skipped) +
                   (skipped == 1 ? " unit id was" : " unit ids were") +
                   " refused, so not every unit was tested\n");
    }
    if (!failure.empty()) {
        WriteError(std::string(kCheckProgram) + ": " + ForTerminal(failure) +
                   "; the run stopped after " + ran + "\n");
    } else if (interrupted) {
        WriteError(std::string(kCheckProgram) + ": interrupted after " + ran + "\n");
    }
    // With --json standard output holds nothing but the records.
    const std::string summary = tally_.SummaryLine() + "\n";
    if (plan_.options.json) {
        WriteError(summary);
    } else if (out_.Write(summary) == RunOutput::State::Failed && failure.empty()) {
        WriteError(std::string(kCheckProgram) + ": " + out_.failure() + "\n");
        return kExitUsageError;
    }
    return failure.empty() && skipped == 0 ? RunExitCode(tally_, interrupted) : kExitUsageError;
}
