#include "tools/check/UnitExchange.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <optional>

#include "serial/CommControl.h"
#include "tools/check/StopSignals.h"
#include "tools/check/UnitJudge.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

UnitOutcome ExchangeUnit(CommControl& control, const CheckPlan& plan, StopSignals& stop) {
    control.SetInBufferCount(0);
    UnitJudge judge(plan.expected, plan.options.hex);
    QEventLoop loop;
    std::optional<CommError> failure;
    Clock::time_point decided;
    // Qt's event loop must not see an exception: a failing port ends the wait
    // and is thrown again after it.
    QObject::connect(&control, &CommControl::onComm, &loop, [&] {
        if (judge.verdict() != Verdict::Undecided ||
            control.GetCommEvent() != CommControl::kEvReceive) {
            return;
        }
        try {
            for (unsigned char byte : control.GetInput()) {
                if (judge.Feed(byte) != Verdict::Undecided) {
                    decided = Clock::now();
                    loop.quit();
                    return;
                }
            }
        } catch (const CommError& error) {
            failure = error;
            loop.quit();
        }
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool givenUp = false;
    QObject::connect(&stop.notifier(), &QSocketNotifier::activated, &loop, [&] {
        if (stop.count() >= 2) {
            givenUp = true;
            loop.quit();
        }
    });

    const Clock::time_point sent = Clock::now();
    if (!plan.listenOnly) {
        control.SetOutput(plan.sendBytes);
    }
    timeout.start(plan.options.timeoutMs);
    loop.exec();
    if (failure) {
        throw *failure;
    }

    UnitOutcome outcome;
    outcome.received = judge.received();
    if (givenUp) {
        return outcome;
    }
    outcome.verdict = judge.verdict() == Verdict::Undecided ? Verdict::Timeout : judge.verdict();
    outcome.ms = MsBetween(sent, outcome.verdict == Verdict::Timeout ? Clock::now() : decided);
    return outcome;
}
