#include "tools/check/runner/SlotWorker.h"

#include <future>

#include "serial/CommControl.h"
#include "tools/check/runner/StopSignals.h"

namespace {

// The port by its device path, or COMn with the window's mapping; the control
// takes any baud rate here, and refuses what the port cannot do.
void OpenPort(CommControl& control, const CheckOptions& o, const SlotPort& slot) {
    if (slot.comPort > 0) {
        control.SetCommPort(static_cast<short>(slot.comPort));
    } else {
        control.SetDevicePath(slot.port);
    }
    control.SetAnyBaudRate(true);
    control.SetSettings(o.settings);
    control.SetHandshaking(ControlHandshaking(o.flow));
    control.SetInputLen(0);
    control.SetRThreshold(1);
    control.SetPortOpen(true);
}

}  // namespace

SlotWorker::SlotWorker(const CheckPlan& plan, const SlotPort& slot, StopSignals& stop, Hooks hooks)
    : plan_(plan), slot_(slot), stop_(stop), hooks_(std::move(hooks)), context_(new QObject) {
    toOwner_.Attach(&owner_);
    context_->moveToThread(&thread_);
    // Run on the slot's thread as it starts, and its last act.
    QObject::connect(
        &thread_, &QThread::started, context_, [this] { toSlot_.Attach(context_); },
        Qt::DirectConnection);
    QObject::connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
    thread_.start();
}

SlotWorker::~SlotWorker() {
    std::promise<void> closed;
    toSlot_.Post([this, &closed] {
        runner_.reset();
        control_.reset();
        closed.set_value();
    });
    closed.get_future().wait();
    thread_.quit();
    thread_.wait();
}

std::string SlotWorker::Open() {
    std::promise<std::string> opened;
    toSlot_.Post([this, &opened] {
        control_ = std::make_unique<CommControl>();
        try {
            OpenPort(*control_, plan_.options, slot_);
        } catch (const CommError& error) {
            control_.reset();
            opened.set_value(error.what());
            return;
        }
        // A prompt waits on the owner's thread for the operator's Enter.
        PromptAnswer prompt = [this](const std::string& text) {
            std::promise<bool> answered;
            toOwner_.Post([this, &answered, text] { answered.set_value(hooks_.prompt(text)); });
            return answered.get_future().get();
        };
        auto stepEnded = [this](const StepResult& r, bool teardown) {
            if (hooks_.stepEnded) {
                toOwner_.Post([this, r, teardown] { hooks_.stepEnded(r, teardown); });
            }
        };
        runner_ = std::make_unique<UnitRunner>(*control_, plan_.steps, plan_.teardown, stop_,
                                               prompt, stepEnded);
        opened.set_value(std::string());
    });
    return opened.get_future().get();
}

void SlotWorker::RunUnit(long long number, std::string id, int retest) {
    toSlot_.Post([this, number, id, retest] {
        UnitRunEnd end;
        UnitResult unit;
        try {
            unit = runner_->Run(number, id, end);
        } catch (const CommError& error) {
            // A port that fails in another way than going away stops the
            // slot as well.
            end.portLost = error.what();
        }
        unit.slot = slot_.name;
        unit.retest = retest;
        toOwner_.Post([this, unit = std::move(unit), end]() mutable {
            hooks_.unitEnded(std::move(unit), end);
        });
    });
}
