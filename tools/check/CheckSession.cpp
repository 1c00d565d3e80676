#include "tools/check/CheckSession.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "serial/CommControl.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/ResultsLog.h"
#include "tools/check/StopSignals.h"
#include "tools/check/UnitExchange.h"
#include "tools/check/UnitRecord.h"
#include "tools/check/UnitReport.h"

namespace {

void Write(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

CheckSession::CheckSession(const CheckPlan& plan, CommControl& control, ResultsLog* log,
                           StopSignals& stop)
    : plan_(plan), control_(control), log_(log), stop_(stop) {
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
    for (;;) {
        const Next next = NextUnit(id);
        if (next != Next::Unit) {
            interrupted = next == Next::Stopped;
            break;
        }
        UnitOutcome outcome;
        try {
            outcome = ExchangeUnit(control_, plan_, stop_);
        } catch (const CommError& error) {
            failure = error.what();
            break;
        }
        if (outcome.verdict == Verdict::Undecided) {
            interrupted = true;  // given up: the unit is not counted
            break;
        }
        UnitRecord record;
        record.time = std::chrono::system_clock::now();
        record.port = plan_.options.port;
        record.settings = FormatCommSettings(plan_.lineSettings);
        record.sent = plan_.sendBytes;
        record.received = std::move(outcome.received);
        record.expected = plan_.expected;
        record.verdict = outcome.verdict;
        record.ms = outcome.ms;
        record.unit = ++unit_;
        record.id = id;
        if (log_) {
            failure = log_->Append(record);
        }
        Print(record);
        tally_.Add(record.verdict, record.ms);
        if (!failure.empty()) {
            break;
        }
    }
    return Finish(interrupted, failure);
}

void CheckSession::Print(const UnitRecord& record) {
    const CheckOptions& o = plan_.options;
    if (o.quiet) {
        return;
    }
    if (o.json) {
        Write(stdout, FormatJsonRecord(record));
        return;
    }
    std::string text = FormatUnitReport(record, o.hex);
    if (bannerShown_) {
        text += FormatVerdictBanner(record.verdict, true);
    }
    Write(stdout, text);
}

int CheckSession::Finish(bool interrupted, const std::string& failure) {
    const std::string ran =
        std::to_string(tally_.total()) + (tally_.total() == 1 ? " unit" : " units");
    if (ids_ && ids_->prompting()) {
        Write(stderr, "\n");  // off the prompt's line
    }
    if (!failure.empty()) {
        Write(stderr, std::string(kCheckProgram) + ": " + failure + "; the run stopped after " +
                          ran + "\n");
    } else if (interrupted) {
        Write(stderr, std::string(kCheckProgram) + ": interrupted after " + ran + "\n");
    }
    // With --json standard output holds nothing but the records.
    Write(plan_.options.json ? stderr : stdout, tally_.SummaryLine() + "\n");
    return failure.empty() ? tally_.ExitCode(interrupted) : kExitUsageError;
}
