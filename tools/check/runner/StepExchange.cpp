#include "tools/check/runner/StepExchange.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <optional>

#include "serial/CommControl.h"
#include "tools/check/core/AnswerJudge.h"
#include "tools/check/runner/StopSignals.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class Exchange {
public:
    Exchange(CommControl& control, const Step& step, StopSignals& stop)
        : control_(control),
          step_(step),
          stop_(stop),
          judge_(step.answer),
          settleMs_(step.settleMs),
          timeoutMs_(step.timeoutMs) {
        for (QTimer* timer : {&answerTime_, &quiet_, &limit_, &idle_}) {
            timer->setSingleShot(true);
            timer->setTimerType(Qt::PreciseTimer);
        }
        // Qt's event loop must not see an exception: a failing port ends the
        // wait and is thrown again after it.
        QObject::connect(&control_, &CommControl::onComm, &loop_, [this] { OnReceive(); });
        QObject::connect(&control_, &CommControl::deviceLost, &loop_, [this] { OnLost(); });
        QObject::connect(&answerTime_, &QTimer::timeout, &loop_, [this] { OnTimeout(); });
        QObject::connect(&quiet_, &QTimer::timeout, &loop_, &QEventLoop::quit);
        QObject::connect(&limit_, &QTimer::timeout, &loop_, &QEventLoop::quit);
        QObject::connect(&idle_, &QTimer::timeout, &loop_, [this] { OnIdle(); });
        QObject::connect(&stop_.notifier(), &QSocketNotifier::activated, &loop_,
                         [this] { OnStop(); });
    }

    StepOutcome Run() {
        control_.SetInBufferCount(0);
        sent_ = Clock::now();
        if (step_.sends) {
            control_.SetOutput(step_.request);
            outcome_.sent = step_.request;
        }
        if (judge_.verdict() != Verdict::Undecided) {
            Decided();  // nothing to wait for
        } else {
            answerTime_.start(timeoutMs_);
        }
        loop_.exec();
        if (failure_) {
            throw *failure_;
        }
        outcome_.givenUp = givenUp_;
        outcome_.verdict = judge_.verdict();
        outcome_.reason = judge_.reason();
        outcome_.received = judge_.received();
        outcome_.values = judge_.values();
        return std::move(outcome_);
    }

private:
    enum class Phase { Judging, Trailing, Late };

    void OnReceive() {
        if (control_.GetCommEvent() != CommControl::kEvReceive) {
            return;
        }
        ByteArray bytes;
        try {
            bytes = control_.GetInput();
        } catch (const CommError& error) {
            failure_ = error;
            loop_.quit();
            return;
        }
        size_t at = 0;
        if (phase_ == Phase::Judging) {
            while (at < bytes.size() && judge_.Feed(bytes[at]) == Verdict::Undecided) {
                ++at;
            }
            if (at == bytes.size()) {
                if (judge_.endsWhenIdle()) {
                    idle_.start(step_.answer.idleMs);
                }
                return;
            }
            Decided();
            ++at;  // the deciding byte is the answer's
        }
        if (at == bytes.size()) {
            return;
        }
        ByteArray& tail = phase_ == Phase::Trailing ? outcome_.trailing : outcome_.late;
        const bool firstLate = phase_ == Phase::Late && tail.empty();
        tail.insert(tail.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
        if (firstLate) {
            // The late answer has begun: it ends when the line is quiet.
            WaitForQuiet();
        } else if (quiet_.isActive()) {
            quiet_.start(settleMs_);
        }
    }

    void OnIdle() {
        if (phase_ == Phase::Judging && judge_.Idle() != Verdict::Undecided) {
            Decided();
        }
    }

    void Decided() {
        answerTime_.stop();
        idle_.stop();
        outcome_.ms = MsBetween(sent_, Clock::now());
        phase_ = Phase::Trailing;
        WaitForQuiet();
    }

    void OnTimeout() {
        idle_.stop();
        judge_.TimeOut();
        outcome_.ms = MsBetween(sent_, Clock::now());
        phase_ = Phase::Late;
        if (stop_.requested()) {
            loop_.quit();
            return;
        }
        limit_.start(timeoutMs_);  // for an answer to begin
    }

    // Ends the unit once no byte has come for the settle time; a device that
    // never pauses ends it at the limit.
    void WaitForQuiet() {
        if (settleMs_ == 0 || stop_.requested()) {
            loop_.quit();
            return;
        }
        quiet_.start(settleMs_);
        limit_.start(timeoutMs_ + settleMs_);
    }

    void OnLost() {
        try {
            control_.GetInput();  // refused now: its message names the device
        } catch (const CommError& error) {
            outcome_.portLost = error.what();
        }
        if (phase_ == Phase::Judging) {
            judge_.TimeOut();
            outcome_.ms = MsBetween(sent_, Clock::now());
        }
        loop_.quit();
    }

    void OnStop() {
        if (phase_ != Phase::Judging) {
            loop_.quit();  // decided: the run ends with this unit, no need to wait
        } else if (stop_.count() >= 2) {
            givenUp_ = true;
            loop_.quit();
        }
    }

    CommControl& control_;
    const Step& step_;
    StopSignals& stop_;
    AnswerJudge judge_;
    const int settleMs_;
    const int timeoutMs_;
    QEventLoop loop_;
    QTimer answerTime_;  // the unit's timeout
    QTimer quiet_;       // the settle time since the last byte
    QTimer limit_;       // the longest wait for a late answer, or for quiet
    QTimer idle_;        // a pattern's answer ends after this quiet
    Phase phase_ = Phase::Judging;
    Clock::time_point sent_;
    StepOutcome outcome_;
    std::optional<CommError> failure_;
    bool givenUp_ = false;
};

}  // namespace

StepOutcome ExchangeStep(CommControl& control, const Step& step, StopSignals& stop) {
    Exchange exchange(control, step, stop);
    return exchange.Run();
}
