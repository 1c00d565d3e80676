#include "tools/check/ResultsLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

ResultsLog::~ResultsLog() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

ResultsLog::Format ResultsLog::FormatFor(const std::string& path) {
    static const std::string kSuffix = ".jsonl";
    if (path.size() < kSuffix.size()) {
        return Format::Csv;
    }
    const std::string tail = path.substr(path.size() - kSuffix.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] + 32) : tail[i];
        if (c != kSuffix[i]) {
            return Format::Csv;
        }
    }
    return Format::JsonLines;
}

std::string ResultsLog::Failure(const std::string& what, int error) const {
    return what + " log " + path_ + ": " + std::strerror(error);
}

std::string ResultsLog::Open(const std::string& path) {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    path_ = path;
    format_ = FormatFor(path);
    // Not blocking, so that a pipe without a reader is refused, not waited for.
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return Failure("cannot open", errno);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int error = errno;
        close(fd);
        return Failure("cannot open", error);
    }
    fd_ = fd;
    if (format_ != Format::Csv) {
        return std::string();
    }
    // Locked, so that two runs starting on one new file write one header; a
    // pipe or a terminal has no size and always gets it.
    const bool locked = flock(fd_, LOCK_EX) == 0;
    struct stat st {};
    std::string why;
    if (fstat(fd_, &st) != 0) {
        why = Failure("cannot read the size of", errno);
    } else if (st.st_size == 0) {
        why = WriteOnce(CsvHeader());
    }
    if (locked) {
        flock(fd_, LOCK_UN);
    }
    if (!why.empty()) {
        close(fd_);
        fd_ = -1;
    }
    return why;
}

std::string ResultsLog::Append(const UnitRecord& record) {
    if (fd_ < 0) {
        return "the log " + path_ + " is not open";
    }
    return WriteOnce(format_ == Format::Csv ? FormatCsvRecord(record) : FormatJsonRecord(record));
}

std::string ResultsLog::WriteOnce(const std::string& bytes) {
    ssize_t written;
    do {
        written = write(fd_, bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        return Failure("cannot write to the", errno);
    }
    if (static_cast<size_t>(written) != bytes.size()) {
        // A second write could land after another run's record.
        return "the log " + path_ + " took only " + std::to_string(written) + " of " +
               std::to_string(bytes.size()) + " bytes of a record (disk full?)";
    }
    return std::string();
}
