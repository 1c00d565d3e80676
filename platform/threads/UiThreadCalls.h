#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

// A worker's link to the window's thread. Qt objects (widgets, the serial port)
// may only be used on the thread that owns them, so a worker hands each such
// call over and waits until it has run there; calls from one worker therefore
// run in the worker's order. The window closes the link when it ends: pending
// and later calls are refused and sleeping workers wake at once.
//
// Construct, close and destroy it on the window's thread, which must run an
// event loop, or ServeFor during a deliberate wait, for handed-over calls to
// run. Destroy it only after every worker using it has returned.
class UiThreadCalls {
public:
    UiThreadCalls();
    ~UiThreadCalls();
    UiThreadCalls(const UiThreadCalls&) = delete;
    UiThreadCalls& operator=(const UiThreadCalls&) = delete;

    // Runs `call` on the window's thread and waits for it. An exception it
    // throws is thrown again here. False, without running it, once closed.
    // Called on the window's thread itself, it runs the call at once.
    [[nodiscard]] bool Call(std::function<void()> call);

    // Waits the given time unless the link is closed meanwhile. False when
    // closed, at once or during the wait.
    [[nodiscard]] bool SleepUnlessClosed(int milliseconds);

    // Blocks the window's thread for the whole given time, as a plain sleep
    // would, but runs the calls that workers hand over meanwhile, as they come.
    // Nothing else runs: no Qt event, no click, no timer. Window's thread only.
    void ServeFor(int milliseconds);

    // The window is ending: refuses pending and later calls and wakes every
    // waiting worker. Window's thread only.
    void Close();
    bool IsClosed() const;

private:
    struct Pending;

    void RunPending();
    void Wake();

    const std::thread::id owner_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;  // a call has run or was refused; closed
    std::condition_variable queued_;   // a call waits to be run
    std::deque<std::shared_ptr<Pending>> queue_;
    bool closed_ = false;

    // Wakes the window's thread when a call is queued.
    int wakeFd_ = -1;
    std::unique_ptr<QObject> waker_;
};
