#include "platform/threads/WorkerThreads.h"

WorkerThreads::~WorkerThreads() {
    JoinAll();
}

void WorkerThreads::Start(std::function<void()> work) {
    JoinReturned();
    auto returned = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), returned] {
        work();
        returned->store(true);
    });
    workers_.push_back(Worker{std::move(returned), std::move(thread)});
}

void WorkerThreads::JoinReturned() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->returned->load()) {
            // It has left its work; joining waits only for the thread's exit.
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void WorkerThreads::JoinAll() {
    for (Worker& worker : workers_) {
        worker.thread.join();
    }
    workers_.clear();
}

size_t WorkerThreads::Running() const {
    size_t running = 0;
    for (const Worker& worker : workers_) {
        running += worker.returned->load() ? 0 : 1;
    }
    return running;
}
