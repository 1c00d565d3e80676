#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <thread>

// The worker threads a window starts, each accounted for until it is joined.
// Workers that have returned are joined when the next one starts, so short-lived
// workers do not pile up. Used from the owning thread only.
class WorkerThreads {
public:
    WorkerThreads() = default;
    // Joins whatever still runs: its owner must first have told it to stop.
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // `work` must not throw: it runs on a thread of its own.
    void Start(std::function<void()> work);
    // Waits for every worker to return.
    void JoinAll();
    // Workers started and not yet returned.
    size_t Running() const;
    // Workers not yet joined, returned or not.
    size_t Tracked() const { return workers_.size(); }

private:
    struct Worker {
        std::shared_ptr<std::atomic<bool>> returned;
        std::thread thread;
    };
    void JoinReturned();

    std::list<Worker> workers_;
};
