#pragma once

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <string>

#include "platform/threads/ThreadMailbox.h"
#include "tools/check/core/CheckPlan.h"
#include "tools/check/core/UnitResult.h"
#include "tools/check/runner/UnitRun.h"

class CommControl;
class StopSignals;

// One fixture position: its port, opened and used only on a thread of its
// own, where its units run one after the other. Slots run side by side, so a
// slow or silent unit never holds another slot's unit beyond its own
// timeouts. The worker hands everything it learns back to the thread that
// made it, through that thread's event loop.
class SlotWorker {
public:
    // What the slot tells the thread that made it, each on that thread.
    struct Hooks {
        // May be empty (no step lines shown): steps are then not handed over.
        std::function<void(const StepResult&, bool teardown)> stepEnded;
        std::function<void(UnitResult, UnitRunEnd)> unitEnded;
        // Asks the operator; called on the making thread, the worker waits.
        PromptAnswer prompt;
    };

    SlotWorker(const CheckPlan& plan, const SlotPort& slot, StopSignals& stop, Hooks hooks);
    ~SlotWorker();  // closes the port and ends the thread
    SlotWorker(const SlotWorker&) = delete;
    SlotWorker& operator=(const SlotWorker&) = delete;

    // Opens the port on the slot's thread and waits for it: empty, or the
    // port's refusal in one line.
    std::string Open();

    // Runs one unit on the slot's thread; unitEnded follows.
    void RunUnit(long long number, std::string id, int retest);

    const SlotPort& slot() const { return slot_; }

private:
    const CheckPlan& plan_;
    SlotPort slot_;
    StopSignals& stop_;
    Hooks hooks_;
    // The mailboxes go after what watches them for calls: owner_ and
    // context_, their notifiers' parents.
    ThreadMailbox toSlot_;
    ThreadMailbox toOwner_;
    QObject owner_;  // lives on the making thread: hooks run there
    QThread thread_;
    QObject* context_;                      // lives on the slot's thread
    std::unique_ptr<CommControl> control_;  // made, used and destroyed on the slot's thread
    std::unique_ptr<UnitRunner> runner_;
};
