#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

// Calls handed to one thread from any thread: each runs there, in the order
// posted, when that thread's event loop next turns. Calls and what they
// capture cross under a standard mutex and the thread is woken through an
// eventfd on Linux, so that nothing crosses through Qt's own queues, whose
// futex locks ThreadSanitizer cannot see.
class ThreadMailbox {
public:
    ThreadMailbox();
    ~ThreadMailbox();
    ThreadMailbox(const ThreadMailbox&) = delete;
    ThreadMailbox& operator=(const ThreadMailbox&) = delete;

    // Call on the receiving thread: its event loop runs the calls from now
    // on, those posted before included. What watches for them is a child of
    // `owner`, which lives on that thread and must go before the mailbox.
    void Attach(QObject* owner);

    void Post(std::function<void()> call);

private:
    void Drain();

    int wakeFd_ = -1;
    QObject* owner_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};
