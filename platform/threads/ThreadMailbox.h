#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

// Calls handed to the thread a Qt object lives on, from any thread: each runs
// there, in the order posted, when that thread's event loop next turns. What
// a call captures crosses under a standard mutex, so that the hand-over is
// plain to ThreadSanitizer too (Qt's own queues lock with futexes it cannot
// see). Calls still queued when the receiver goes are dropped; the receiver
// must outlive every Post, and the mailbox every turn of its thread's loop.
class ThreadMailbox {
public:
    explicit ThreadMailbox(QObject* receiver) : receiver_(receiver) {}
    ThreadMailbox(const ThreadMailbox&) = delete;
    ThreadMailbox& operator=(const ThreadMailbox&) = delete;

    void Post(std::function<void()> call);

private:
    void Drain();

    QObject* receiver_;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};
