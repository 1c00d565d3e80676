#pragma once

#include <QEventLoop>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/CheckPlan.h"
#include "tools/check/core/JUnitReport.h"
#include "tools/check/core/RecordFormats.h"
#include "tools/check/core/UnitReport.h"
#include "tools/check/runner/RunOutput.h"
#include "tools/check/runner/SlotWorker.h"
#include "tools/check/runner/UnitIdSource.h"

class ResultsLog;
class StopSignals;

// Where a run's units go besides the terminal: each may be null.
struct RunSinks {
    ResultsLog* log = nullptr;
    JUnitReport* junit = nullptr;
    // Takes one unit (the results database); empty, or why it could not,
    // which stops the run after the round.
    std::function<std::string(const UnitResult&)> store;
};

// A run in rounds: each round runs one unit on every slot at once (one unit
// when there is one port), then logs, stores and prints each as it ends, and
// the verdicts side by side in large letters for an operator. Units come from
// --repeat (rounds) or from standard input (one id per slot and round; with
// slots an empty id leaves a slot out of the round). A stop request ends the
// run after the round in progress, and so does a reader of standard output
// that went away (quietly). A log, database or standard output that can no
// longer be written ends it after the round too, with one line on standard
// error. A slot whose port fails is left out of the rounds that follow; the
// others go on. Either way the exit code is then 3, whatever ran before, so
// that a script never takes a cut-short run for a whole one.
class CheckSession {
public:
    CheckSession(const CheckPlan& plan, const RecordLayout& layout, RunSinks sinks,
                 StopSignals& stop);
    ~CheckSession();

    // Opens every slot's port, each on its own thread: empty, or the first
    // refusal, naming the slot when there are several.
    std::string Open();

    // Runs the units and prints the summary; returns the exit code.
    int Run();

private:
    struct Unit {
        size_t slot;
        std::string id;
    };
    enum class Next { Round, End, Stopped };
    Next NextRound(std::vector<Unit>& units);
    // The wait between rounds; false when a stop request came.
    bool Pause();
    void RunRound(const std::vector<Unit>& units);
    void UnitEnded(size_t slot, UnitResult unit, const UnitRunEnd& end);
    void StepEnded(size_t slot, const StepResult& step, bool teardown);
    void Print(size_t slot, const UnitResult& unit);
    // The round's verdicts side by side, when there are several slots.
    void ShowBanners();
    std::string Prefix(size_t slot) const;
    int Finish(bool interrupted);

    const CheckPlan& plan_;
    const RecordLayout& layout_;
    RunSinks sinks_;
    StopSignals& stop_;
    std::optional<UnitIdSource> input_;
    bool bannerShown_;  // an operator at a terminal sees each verdict in large letters
    bool stepLines_;    // a plan's steps get a line each as they end
    RunOutput out_;
    RunTally tally_;
    std::vector<std::unique_ptr<SlotWorker>> workers_;
    std::vector<bool> active_;
    std::map<std::string, int> tested_;  // ids tested in this run, and how often
    long long unit_ = 0;
    long long rounds_ = 0;
    int pending_ = 0;  // units of the round still running
    QEventLoop* roundLoop_ = nullptr;
    bool givenUp_ = false;
    std::string failure_;      // a log, database or standard output that failed
    std::string slotFailure_;  // the first slot whose port failed
    std::vector<std::pair<size_t, Verdict>> roundVerdicts_;  // slot, as the round's units ended
};
