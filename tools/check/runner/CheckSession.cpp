#include "tools/check/runner/CheckSession.h"

#include <unistd.h>

#include <QEventLoop>
#include <algorithm>
#include <cstdio>

#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/ResultsLog.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/runner/CheckProgram.h"
#include "tools/check/runner/StopSignals.h"

namespace {

void WriteError(const std::string& text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string Units(long long n) {
    return std::to_string(n) + (n == 1 ? " unit" : " units");
}

bool PlanHasPrompts(const CheckPlan& plan) {
    for (const auto* steps : {&plan.steps, &plan.teardown}) {
        for (const Step& step : *steps) {
            if (!step.prompt.empty()) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

CheckSession::CheckSession(const CheckPlan& plan, const RecordLayout& layout, RunSinks sinks,
                           StopSignals& stop)
    : plan_(plan),
      layout_(layout),
      sinks_(std::move(sinks)),
      stop_(stop),
      out_(STDOUT_FILENO),
      active_(plan.fixtureSlots.size(), true) {
    const CheckOptions& o = plan_.options;
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    if (o.idsFromStdin || PlanHasPrompts(plan_)) {
        input_.emplace(STDIN_FILENO, terminal, stop_);
        if (plan_.unitId) {
            const QRegularExpression pattern = *plan_.unitId;
            const std::string text = plan_.unitIdText;
            input_->SetIdCheck([pattern, text](const std::string& id) {
                const bool whole = pattern.match(QString::fromStdString(id)).hasMatch();
                return whole ? std::string() : "'" + id + "' does not match " + text;
            });
        }
    }
    bannerShown_ = o.idsFromStdin && !o.quiet && !o.json && ::isatty(STDOUT_FILENO) == 1;
    stepLines_ = plan_.fromPlan && !o.quiet && !o.json;
    for (size_t i = 0; i < plan_.fixtureSlots.size(); ++i) {
        SlotWorker::Hooks hooks;
        if (stepLines_) {
            hooks.stepEnded = [this, i](const StepResult& r, bool teardown) {
                StepEnded(i, r, teardown);
            };
        }
        hooks.unitEnded = [this, i](UnitResult unit, UnitRunEnd end) {
            UnitEnded(i, std::move(unit), end);
        };
        hooks.prompt = [this](const std::string& text) { return input_ && input_->Ask(text); };
        workers_.push_back(
            std::make_unique<SlotWorker>(plan_, plan_.fixtureSlots[i], stop_, hooks));
    }
}

CheckSession::~CheckSession() = default;

std::string CheckSession::Open() {
    for (size_t i = 0; i < workers_.size(); ++i) {
        if (std::string why = workers_[i]->Open(); !why.empty()) {
            return plan_.fixtureSlots[i].name.empty()
                       ? why
                       : "slot " + plan_.fixtureSlots[i].name + ": " + why;
        }
    }
    return std::string();
}

std::string CheckSession::Prefix(size_t slot) const {
    return plan_.fixtureSlots.size() > 1 ? "[" + plan_.fixtureSlots[slot].name + "] "
                                         : std::string();
}

CheckSession::Next CheckSession::NextRound(std::vector<Unit>& units) {
    units.clear();
    if (stop_.requested()) {
        return Next::Stopped;
    }
    if (!input_ || !plan_.options.idsFromStdin) {
        if (rounds_ >= plan_.options.repeat) {
            return Next::End;
        }
        for (size_t i = 0; i < active_.size(); ++i) {
            if (active_[i]) {
                units.push_back(Unit{i, std::string()});
            }
        }
        return Next::Round;
    }
    // One id per slot, in slot order; with slots an empty id leaves one out.
    const bool several = plan_.fixtureSlots.size() > 1;
    for (size_t i = 0; i < active_.size(); ++i) {
        if (!active_[i]) {
            continue;
        }
        std::string id;
        const UnitIdSource::Result got =
            several ? input_->NextSlotId(plan_.fixtureSlots[i].name, id) : input_->Next(id);
        if (got == UnitIdSource::Result::Stopped) {
            return Next::Stopped;
        }
        if (got == UnitIdSource::Result::End) {
            return units.empty() ? Next::End : Next::Round;
        }
        if (!id.empty() || !several) {
            units.push_back(Unit{i, id});
        }
    }
    return Next::Round;
}

bool CheckSession::Pause() {
    return plan_.options.intervalMs == 0 || stop_.Wait(plan_.options.intervalMs);
}

void CheckSession::RunRound(const std::vector<Unit>& units) {
    roundVerdicts_.clear();
    pending_ = static_cast<int>(units.size());
    for (const Unit& u : units) {
        const int retest = u.id.empty() ? 1 : ++tested_[u.id];
        workers_[u.slot]->RunUnit(++unit_, u.id, retest);
    }
    // The slots hand their units back through this thread's event loop.
    QEventLoop loop;
    roundLoop_ = &loop;
    if (pending_ > 0) {
        loop.exec();
    }
    roundLoop_ = nullptr;
}

void CheckSession::StepEnded(size_t slot, const StepResult& step, bool teardown) {
    out_.Write(Prefix(slot) + FormatStepLine(step, teardown));
}

void CheckSession::UnitEnded(size_t slot, UnitResult unit, const UnitRunEnd& end) {
    if (--pending_ == 0 && roundLoop_) {
        roundLoop_->quit();
    }
    if (end.givenUp) {
        givenUp_ = true;  // the unit is not counted
        --unit_;
        return;
    }
    const bool ran = unit.verdict != Verdict::Undecided;
    if (ran) {
        std::string why = sinks_.log ? sinks_.log->Append(unit) : std::string();
        if (why.empty() && sinks_.store) {
            why = sinks_.store(unit);
        }
        if (failure_.empty()) {
            failure_ = why;
        }
        if (sinks_.junit) {
            sinks_.junit->Add(unit);
        }
        Print(slot, unit);
        tally_.Add(unit.verdict, unit.ms);
        if (plan_.fromPlan) {
            tally_.AddSteps(unit);
        }
        roundVerdicts_.emplace_back(slot, unit.verdict);
    } else {
        --unit_;
    }
    if (failure_.empty() && out_.state() == RunOutput::State::Failed) {
        failure_ = out_.failure();
    }
    if (!end.portLost.empty()) {
        active_[slot] = false;
        const std::string& name = plan_.fixtureSlots[slot].name;
        if (slotFailure_.empty()) {
            slotFailure_ = name.empty() ? end.portLost : "slot " + name + ": " + end.portLost;
        }
        if (!name.empty()) {
            WriteError(std::string(kCheckProgram) + ": slot " + name + ": " +
                       ForTerminal(end.portLost) + "; it is left out of the rounds that follow\n");
        }
    }
}

void CheckSession::Print(size_t slot, const UnitResult& unit) {
    const CheckOptions& o = plan_.options;
    if (o.quiet) {
        return;
    }
    if (o.json) {
        out_.Write(FormatJsonRecord(layout_, unit));
        return;
    }
    std::string text =
        Prefix(slot) + (plan_.fromPlan ? FormatPlanUnitLine(unit)
                                       : FormatUnitReport(unit, plan_.steps.front().answer));
    if (bannerShown_ && plan_.fixtureSlots.size() == 1) {
        text += FormatVerdictBanner(unit.verdict, true);
    }
    out_.Write(text);
}

void CheckSession::ShowBanners() {
    if (!bannerShown_ || plan_.fixtureSlots.size() == 1 || roundVerdicts_.empty()) {
        return;
    }
    // Side by side in slot order, whichever ended first.
    std::sort(roundVerdicts_.begin(), roundVerdicts_.end());
    std::vector<std::pair<std::string, Verdict>> verdicts;
    for (const auto& [slot, verdict] : roundVerdicts_) {
        verdicts.emplace_back(plan_.fixtureSlots[slot].name, verdict);
    }
    out_.Write(FormatVerdictBanners(verdicts, true));
}

int CheckSession::Run() {
    bool interrupted = false;
    std::vector<Unit> units;
    for (;;) {
        const Next next = NextRound(units);
        if (next != Next::Round) {
            interrupted = next == Next::Stopped;
            break;
        }
        if (rounds_ > 0 && !Pause()) {
            interrupted = true;
            break;
        }
        ++rounds_;
        RunRound(units);
        ShowBanners();
        const bool anyActive = std::find(active_.begin(), active_.end(), true) != active_.end();
        if (givenUp_) {
            interrupted = true;
        }
        if (givenUp_ || !failure_.empty() || !anyActive ||
            out_.state() == RunOutput::State::ReaderGone) {
            break;
        }
    }
    return Finish(interrupted || stop_.requested());
}

int CheckSession::Finish(bool interrupted) {
    const std::string ran = Units(tally_.total());
    if (input_ && input_->prompting()) {
        WriteError("\n");  // off the prompt's line
    }
    // Lines that named no unit: units of the input were never tested.
    const int skipped = input_ ? input_->skipped() : 0;
    std::string failure = failure_.empty() ? slotFailure_ : failure_;
    const bool allSlotsGone = std::find(active_.begin(), active_.end(), true) == active_.end();
    if (failure.empty() && skipped > 0) {
        WriteError(std::string(kCheckProgram) + ": " + std::to_string(skipped) +
                   (skipped == 1 ? " unit id was" : " unit ids were") +
                   " refused, so not every unit was tested\n");
    }
    if (!failure.empty()) {
        const bool stopped = !failure_.empty() || allSlotsGone;
        WriteError(std::string(kCheckProgram) + ": " + ForTerminal(failure) +
                   (stopped ? "; the run stopped after " + ran : "; " + ran + " ran") + "\n");
    } else if (interrupted) {
        WriteError(std::string(kCheckProgram) + ": interrupted after " + ran + "\n");
    }
    // With --json standard output holds nothing but the records.
    const std::string summary = tally_.SummaryLine() + "\n" + tally_.StepLines();
    if (plan_.options.json) {
        WriteError(summary);
    } else if (out_.Write(summary) == RunOutput::State::Failed && failure.empty()) {
        WriteError(std::string(kCheckProgram) + ": " + out_.failure() + "\n");
        return kExitUsageError;
    }
    return failure.empty() && skipped == 0 ? RunExitCode(tally_, interrupted) : kExitUsageError;
}
