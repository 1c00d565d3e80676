#include "platform/threads/ThreadMailbox.h"

void ThreadMailbox::Post(std::function<void()> call) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    // Only a wake-up crosses through Qt's queue; the call waits in ours.
    QMetaObject::invokeMethod(receiver_, [this] { Drain(); }, Qt::QueuedConnection);
}

void ThreadMailbox::Drain() {
    std::deque<std::function<void()>> calls;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls.swap(calls_);
    }
    for (std::function<void()>& call : calls) {
        call();
    }
}
