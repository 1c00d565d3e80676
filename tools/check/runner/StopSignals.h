#pragma once

#include <QSocketNotifier>

// Ctrl-C (SIGINT), SIGTERM and SIGHUP ask the check program to stop. The handler only
// counts the signal and writes one byte to a pipe; the pipe's notifier wakes
// the event loop, so that a wait (for an answer, the interval or a unit id)
// sees the request at once. One instance at a time. count() may be read on
// any thread; the notifier lives on the thread that made the object, and a
// wait on another thread connects to it across threads.
class StopSignals {
public:
    StopSignals();   // installs the handlers
    ~StopSignals();  // puts the previous ones back
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Signals received so far.
    int count() const;
    bool requested() const { return count() > 0; }

    // Activated on the event loop after each signal; connect waits to it.
    QSocketNotifier& notifier() { return *notifier_; }

    // Waits `ms` on the calling thread's event loop unless a stop request
    // comes first, or came before: false then.
    bool Wait(int ms);

private:
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};
