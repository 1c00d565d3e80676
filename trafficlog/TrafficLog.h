#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/RecordFile.h"
#include "serial/CommTraffic.h"
#include "trafficlog/TrafficRecord.h"

// The traffic log: what a serial control reports, appended to a file. The
// control's thread only stamps each report with the time and queues it; a
// writer thread of the log's own formats the queued records and writes them,
// all that waits in one batch. The first failure to write is reported once
// through `warn` (on the writer thread, or the control's when the queue
// overflows); the log then writes nothing more and drops what it is handed.
//
// A reader slower than the traffic (a pipe read a little at a time) must not
// make the queue grow without end: past kMaxQueuedBytes waiting the log fails,
// as for a full disk, and the writer stops after the lines in hand.
class TrafficLog : public CommTrafficObserver {
public:
    using Warning = std::function<void(const std::string&)>;

    // Records waiting to be written, counted with their bytes.
    static constexpr size_t kMaxQueuedBytes = size_t{4} << 20;
    // Lines the writer formats before it writes them: whole lines, so that
    // two programs appending to one file never mix inside one.
    static constexpr size_t kWriteBytes = size_t{64} << 10;

    // Opens the log for appending; nullptr, and one line in `why`, when it
    // cannot be opened.
    static std::unique_ptr<TrafficLog> Open(const std::string& path, Warning warn,
                                            std::string* why);
    // Writes what is queued, then closes the file.
    ~TrafficLog() override;

    void PortOpened(const PortOpening& opening) override;
    void PortClosed(short port, const std::string& path) override;
    void BytesReceived(const ByteArray& bytes) override;
    void BytesSent(const ByteArray& bytes) override;
    void BytesDiscarded(const ByteArray& bytes) override;

    // Returns once every record queued so far is written, or the log failed.
    void Flush();
    bool failed() const { return failed_.load(); }

private:
    explicit TrafficLog(Warning warn);
    void Queue(TrafficRecord record) noexcept;
    void QueueBytes(TrafficKind kind, const ByteArray& bytes);
    void Run();
    // Formats and writes a batch a piece at a time; the failure, if any.
    std::string WriteBatch(const std::vector<TrafficRecord>& batch);
    void Fail(const std::string& why);

    // Says what failed, with the path and the system's reason.
    std::string Failure(const std::string& what, int error) const;

    RecordFile file_;  // the writer thread's alone once it runs
    std::string path_;
    Warning warn_;
    std::mutex mutex_;
    std::condition_variable wake_;  // records queued, or stopping
    std::condition_variable idle_;  // a batch written
    std::vector<TrafficRecord> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool stopping_ = false;
    std::atomic<bool> failed_{false};
    std::thread writer_;
};
