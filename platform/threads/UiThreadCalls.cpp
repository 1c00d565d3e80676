#include "platform/threads/UiThreadCalls.h"

#include <QObject>
#include <chrono>

#ifdef Q_OS_LINUX
#include <sys/eventfd.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <cstdint>
#else
#include <QMetaObject>
#endif

struct UiThreadCalls::Pending {
    enum class State { Queued, Done, Refused };
    std::function<void()> call;
    State state = State::Queued;
    std::exception_ptr error;
};

// On Linux the window's thread is woken through an eventfd: the queue and its
// hand-over stay under our own mutex, which ThreadSanitizer sees, rather than
// inside Qt's event queue, whose locks it cannot see.
UiThreadCalls::UiThreadCalls() : owner_(std::this_thread::get_id()) {
#ifdef Q_OS_LINUX
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        // Without a way to wake the window's thread no call could ever run.
        closed_ = true;
        return;
    }
    auto* notifier = new QSocketNotifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
        RunPending();
    });
    waker_.reset(notifier);
#else
    waker_ = std::make_unique<QObject>();
#endif
}

UiThreadCalls::~UiThreadCalls() {
    Close();
    waker_.reset();
#ifdef Q_OS_LINUX
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
#endif
}

bool UiThreadCalls::Call(std::function<void()> call) {
    if (std::this_thread::get_id() == owner_) {
        if (IsClosed()) {
            return false;
        }
        call();
        return true;
    }

    auto pending = std::make_shared<Pending>();
    pending->call = std::move(call);
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_) {
        return false;
    }
    queue_.push_back(pending);
    queued_.notify_one();
    Wake();
    changed_.wait(lock, [&] { return pending->state != Pending::State::Queued; });
    if (pending->state == Pending::State::Refused) {
        return false;
    }
    std::exception_ptr error = std::move(pending->error);
    lock.unlock();
    if (error) {
        std::rethrow_exception(error);
    }
    return true;
}

void UiThreadCalls::Wake() {
#ifdef Q_OS_LINUX
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
#else
    QMetaObject::invokeMethod(
        waker_.get(), [this] { RunPending(); }, Qt::QueuedConnection);
#endif
}

void UiThreadCalls::RunPending() {
    for (;;) {
        std::shared_ptr<Pending> pending;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) {
                return;
            }
            pending = std::move(queue_.front());
            queue_.pop_front();
        }
        std::exception_ptr error;
        try {
            pending->call();
        } catch (...) {
            error = std::current_exception();
        }
        {
            // The catch above has ended, so the worker holds the only reference
            // to the exception once it takes it.
            std::lock_guard<std::mutex> lock(mutex_);
            pending->error = std::move(error);
            pending->state = Pending::State::Done;
        }
        changed_.notify_all();
    }
}

bool UiThreadCalls::SleepUnlessClosed(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool closed = changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                          [this] { return closed_; });
    return !closed;
}

void UiThreadCalls::ServeFor(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    if (std::this_thread::get_id() != owner_) {
        // Handed-over calls must never run anywhere but on the window's thread.
        std::this_thread::sleep_until(until);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!queued_.wait_until(lock, until, [this] { return !queue_.empty(); })) {
            return;
        }
        // The wake-up already sent to the event loop will find the queue empty.
        lock.unlock();
        RunPending();
        lock.lock();
    }
}

void UiThreadCalls::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        for (const std::shared_ptr<Pending>& pending : queue_) {
            pending->state = Pending::State::Refused;
        }
        queue_.clear();
    }
    changed_.notify_all();
}

bool UiThreadCalls::IsClosed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}
