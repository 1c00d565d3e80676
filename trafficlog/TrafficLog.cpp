#include "trafficlog/TrafficLog.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>

std::unique_ptr<TrafficLog> TrafficLog::Open(const std::string& path, Warning warn,
                                             std::string* why) {
    std::unique_ptr<TrafficLog> log(new TrafficLog(std::move(warn)));
    log->path_ = path;
    if (const int error = log->file_.Open(path)) {
        if (why) {
            *why = log->Failure("cannot open", error);
        }
        return nullptr;
    }
    try {
        log->writer_ = std::thread([raw = log.get()] { raw->Run(); });
    } catch (const std::system_error& e) {
        if (why) {
            *why = "cannot start the writer of the traffic log " + path + ": " + e.what();
        }
        return nullptr;
    }
    return log;
}

TrafficLog::TrafficLog(Warning warn) : warn_(std::move(warn)) {}

TrafficLog::~TrafficLog() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
}

void TrafficLog::PortOpened(const PortOpening& opening) {
    TrafficRecord record;
    record.kind = TrafficKind::Open;
    record.opening = opening;
    Queue(std::move(record));
}

void TrafficLog::PortClosed(short port, const std::string& path) {
    TrafficRecord record;
    record.kind = TrafficKind::Close;
    record.opening.port = port;
    record.opening.path = path;
    Queue(std::move(record));
}

void TrafficLog::BytesReceived(const ByteArray& bytes) {
    QueueBytes(TrafficKind::Receive, bytes);
}

void TrafficLog::BytesSent(const ByteArray& bytes) {
    QueueBytes(TrafficKind::Send, bytes);
}

void TrafficLog::BytesDiscarded(const ByteArray& bytes) {
    QueueBytes(TrafficKind::Discard, bytes);
}

void TrafficLog::QueueBytes(TrafficKind kind, const ByteArray& bytes) {
    if (failed_.load()) {
        return;
    }
    TrafficRecord record;
    record.kind = kind;
    record.bytes = bytes;
    Queue(std::move(record));
}

namespace {

// What a queued record holds in memory, near enough.
size_t QueuedSize(const TrafficRecord& record) {
    return sizeof(TrafficRecord) + record.bytes.size() + record.opening.path.size() +
           record.opening.settings.size();
}

}  // namespace

void TrafficLog::Queue(TrafficRecord record) noexcept {
    if (failed_.load()) {
        return;
    }
    record.at = std::chrono::system_clock::now();
    const size_t size = QueuedSize(record);
    bool behind = false;
    try {
        std::lock_guard<std::mutex> hold(mutex_);
        behind = queuedBytes_ + size > kMaxQueuedBytes;
        if (!behind) {
            queue_.push_back(std::move(record));
            queuedBytes_ += size;
        }
    } catch (...) {
        // Out of memory: losing a record silently would make the log lie.
        Fail("the traffic log " + path_ + " ran out of memory");
        return;
    }
    if (behind) {
        Fail("the traffic log " + path_ + " is read too slowly: more than " +
             std::to_string(kMaxQueuedBytes >> 20) + " MiB wait to be written");
        return;
    }
    wake_.notify_one();
}

void TrafficLog::Flush() {
    std::unique_lock<std::mutex> hold(mutex_);
    idle_.wait(hold, [this] { return (queue_.empty() && !writing_) || failed_.load(); });
}

void TrafficLog::Fail(const std::string& why) {
    if (failed_.exchange(true)) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(mutex_);
        queue_.clear();
        queuedBytes_ = 0;
    }
    idle_.notify_all();
    if (warn_) {
        warn_(why + "; no further records are written");
    }
}

void TrafficLog::Run() {
    // A write to a pipe without a reader, or past the file size limit, raises
    // a signal that would end the program: here it only fails the write.
    sigset_t writeSignals;
    sigemptyset(&writeSignals);
    sigaddset(&writeSignals, SIGPIPE);
    sigaddset(&writeSignals, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &writeSignals, nullptr);

    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, and everything is written
        }
        std::vector<TrafficRecord> batch;
        batch.swap(queue_);
        queuedBytes_ = 0;
        writing_ = true;
        hold.unlock();

        const std::string why = WriteBatch(batch);
        batch.clear();
        if (!why.empty()) {
            Fail(why);
        }

        hold.lock();
        writing_ = false;
        idle_.notify_all();
    }
}

std::string TrafficLog::WriteBatch(const std::vector<TrafficRecord>& batch) {
    try {
        std::string text;
        for (size_t i = 0; i < batch.size() && !failed_.load(); ++i) {
            text += FormatTrafficRecord(batch[i]);
            if (text.size() < kWriteBytes && i + 1 < batch.size()) {
                continue;
            }
            // A log failed meanwhile (it fell behind) gets no more lines.
            if (failed_.load()) {
                break;
            }
            if (const int error = file_.Append(text)) {
                return Failure("cannot write to", error);
            }
            text.clear();
        }
    } catch (const std::exception&) {
        return "the traffic log " + path_ + " ran out of memory";
    }
    return std::string();
}

std::string TrafficLog::Failure(const std::string& what, int error) const {
    if (error == ETIMEDOUT) {
        return "the traffic log " + path_ + " took nothing for " +
               std::to_string(RecordFile::kStallMs / 1000) + " s";
    }
    return what + " the traffic log " + path_ + ": " + std::strerror(error);
}
