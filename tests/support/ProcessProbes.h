#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

// What a test can observe of its own process: CPU time, resident memory and
// the warnings Qt prints.

// CPU time the process has used, all threads together.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's resident memory.
inline long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Collects Qt's warnings while it lives.
class QtWarnings {
public:
    QtWarnings() {
        current_ = this;
        previous_ = qInstallMessageHandler(&Handle);
    }
    ~QtWarnings() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (QtWarnings* self = current_) {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->texts_.push_back(text.toStdString());
        }
        if (previous_) {
            previous_(type, context, text);
        }
    }

    static inline std::atomic<QtWarnings*> current_{nullptr};
    static inline QtMessageHandler previous_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};
