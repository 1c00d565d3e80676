#include "platform/files/RecordFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

RecordFile::~RecordFile() {
    Close();
}

void RecordFile::Close() {
    if (fd_ >= 0 && owned_) {
        ::close(fd_);
    }
    fd_ = -1;
    owned_ = true;
}

int RecordFile::Adopt(int fd) {
    Close();
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return errno;
    }
    fd_ = fd;
    owned_ = false;
    regular_ = S_ISREG(info.st_mode);
    return 0;
}

int RecordFile::Open(const std::string& path) {
    Close();
    // Not blocking: a FIFO without a reader is refused at once, and a pipe
    // that fills up never holds the writer in write(2).
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    regular_ = S_ISREG(info.st_mode);
    return 0;
}

int RecordFile::Append(const std::string& records) {
    if (fd_ < 0) {
        return EBADF;
    }
    if (!regular_) {
        return Write(records, -1);
    }
    // Held from finding the end to the cut-back, so that no other writer's
    // append comes between them and the cut-back never leaves half a record.
    const int lock = Lock();
    if (lock == ETIMEDOUT) {
        return ETIMEDOUT;
    }
    // With O_APPEND the batch lands at the end as it is now.
    const int error = Write(records, ::lseek(fd_, 0, SEEK_END));
    if (lock == 0) {
        ::flock(fd_, LOCK_UN);
    }
    return error;
}

int RecordFile::Lock() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return errno;  // a file system without locks: append as before
        }
        // Another writer holds it for one append; one that keeps it is stuck.
        if (Clock::now() - start >= std::chrono::milliseconds(kStallMs)) {
            return ETIMEDOUT;
        }
        ::poll(nullptr, 0, 5);
    }
}

int RecordFile::Write(const std::string& records, long long start) {
    using Clock = std::chrono::steady_clock;
    size_t written = 0;
    Clock::time_point lastProgress = Clock::now();
    while (written < records.size()) {
        const ssize_t n = ::write(fd_, records.data() + written, records.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (Clock::now() - lastProgress >= std::chrono::milliseconds(kStallMs)) {
                return ETIMEDOUT;
            }
            pollfd room{fd_, POLLOUT, 0};
            ::poll(&room, 1, 100);
            continue;
        }
        // A regular file that took part of a batch and then nothing is full.
        const int error = n < 0 ? errno : ENOSPC;
        CutPartialBatch(start, written);
        return error;
    }
    return 0;
}

void RecordFile::CutPartialBatch(long long start, size_t written) {
    if (!regular_ || start < 0 || written == 0) {
        return;
    }
    // Only while the file ends with our part: another program's later
    // records are not ours to cut.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 &&
        static_cast<long long>(info.st_size) == start + static_cast<long long>(written)) {
        (void)::ftruncate(fd_, static_cast<off_t>(start));
    }
}
