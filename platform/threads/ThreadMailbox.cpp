#include "platform/threads/ThreadMailbox.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#endif

ThreadMailbox::ThreadMailbox() {
#ifdef Q_OS_LINUX
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#endif
}

ThreadMailbox::~ThreadMailbox() {
#ifdef Q_OS_LINUX
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
#endif
}

void ThreadMailbox::Attach(QObject* owner) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        owner_ = owner;
    }
    if (wakeFd_ >= 0) {
        auto* notifier = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, owner);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
#ifdef Q_OS_LINUX
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
#endif
            Drain();
        });
    }
    Drain();  // what came before
}

void ThreadMailbox::Post(std::function<void()> call) {
    QObject* owner = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
        owner = owner_;
    }
#ifdef Q_OS_LINUX
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
        return;
    }
#endif
    if (owner) {
        QMetaObject::invokeMethod(
            owner, [this] { Drain(); }, Qt::QueuedConnection);
    }
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
