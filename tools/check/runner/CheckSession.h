#pragma once

#include <optional>
#include <string>

#include "tools/check/core/CheckPlan.h"
#include "tools/check/core/ResultsLog.h"
#include "tools/check/core/UnitReport.h"
#include "tools/check/runner/RunOutput.h"
#include "tools/check/runner/UnitIdSource.h"

class CommControl;
class ResultsLog;
class StopSignals;

// A run of units on an open port: each unit exchanged, logged and printed,
// then the summary. A stop request ends it after the current unit, and so
// does a reader of standard output that went away (quietly). A port that
// fails, or a log or standard output that can no longer be written, ends it
// too, with one line on standard error; the exit code is then 3, whatever ran
// before, so that a script never takes a cut-short run for a whole one.
class CheckSession {
public:
    // `log` may be null (no --log).
    CheckSession(const CheckPlan& plan, const RecordLayout& layout, CommControl& control,
                 ResultsLog* log, StopSignals& stop);

    // Runs the units and prints the summary; returns the exit code.
    int Run();

private:
    enum class Next { Unit, End, Stopped };
    Next NextUnit(std::string& id);
    // The wait between units; false when a stop request came.
    bool Pause();
    void Print(const UnitResult& unit);
    int Finish(bool interrupted, std::string failure);

    const CheckPlan& plan_;
    const RecordLayout& layout_;
    const std::vector<Step> teardown_;
    CommControl& control_;
    ResultsLog* log_;
    StopSignals& stop_;
    std::optional<UnitIdSource> ids_;
    bool bannerShown_;  // an operator at a terminal sees each verdict in large letters
    RunOutput out_;
    RunTally tally_;
    long long unit_ = 0;
};
