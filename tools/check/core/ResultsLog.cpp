#include "tools/check/core/ResultsLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text/AsciiCase.h"

ResultsLog::Format ResultsLog::FormatFor(const std::string& path) {
    static const std::string kSuffix = ".jsonl";
    if (path.size() < kSuffix.size()) {
        return Format::Csv;
    }
    const std::string tail = path.substr(path.size() - kSuffix.size());
    return ascii::CompareNoCase(tail, kSuffix) == 0 ? Format::JsonLines : Format::Csv;
}

std::string ResultsLog::Failure(const std::string& what, int error) const {
    if (error == ETIMEDOUT) {
        return "the log " + path_ + " took nothing for " +
               std::to_string(RecordFile::kStallMs / 1000) + " s";
    }
    return what + " log " + path_ + ": " + std::strerror(error);
}

std::string ResultsLog::Open(const std::string& path) {
    path_ = path;
    format_ = FormatFor(path);
    if (const int error = file_.Open(path)) {
        return Failure("cannot open", error);
    }
    // Locked, so that two runs starting on one new file write one header.
    const int fd = file_.handle();
    const bool locked = flock(fd, LOCK_EX) == 0;
    const std::string why = Prepare();
    if (locked) {
        flock(fd, LOCK_UN);
    }
    if (!why.empty()) {
        file_.Close();
    }
    return why;
}

std::string ResultsLog::Prepare() {
    const int fd = file_.handle();
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return Failure("cannot read the size of", errno);
    }
    const std::string header = format_ == Format::Csv ? CsvHeader(layout_) : std::string();
    // A pipe or a terminal has no size and always gets the header.
    if (!S_ISREG(st.st_mode) || st.st_size == 0) {
        if (const int error = header.empty() ? 0 : file_.Append(header)) {
            return Failure("cannot write to the", error);
        }
        return std::string();
    }
    // The file is open for appending only: it is read through a second
    // descriptor.
    const int reader = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (reader < 0) {
        return Failure("cannot read", errno);
    }
    const std::string why = CheckEnds(reader, st.st_size, header);
    ::close(reader);
    return why;
}

std::string ResultsLog::CheckEnds(int reader, long long size, const std::string& header) {
    if (!header.empty()) {
        // Rows under another header would land in the wrong columns.
        std::string first(header.size(), '\0');
        const ssize_t n = pread(reader, first.data(), first.size(), 0);
        if (n < 0) {
            return Failure("cannot read", errno);
        }
        first.resize(static_cast<size_t>(n));
        if (first != header) {
            return "the log " + path_ + " has other columns than this run writes (" +
                   header.substr(0, header.size() - 2) + "): give another file";
        }
    }
    // A last line without its line break (an editor, another program) would
    // have the first record glued onto it.
    char last = '\n';
    if (pread(reader, &last, 1, size - 1) != 1) {
        return Failure("cannot read", errno);
    }
    if (last != '\n') {
        if (const int error = file_.Append(format_ == Format::Csv ? "\r\n" : "\n")) {
            return Failure("cannot write to the", error);
        }
    }
    return std::string();
}

std::string ResultsLog::Append(const UnitResult& record) {
    if (!isOpen()) {
        return "the log " + path_ + " is not open";
    }
    if (const int error =
            file_.Append(format_ == Format::Csv ? FormatCsvRecord(layout_, record)
                                                : FormatJsonRecord(layout_, record))) {
        return Failure("cannot write to the", error);
    }
    return std::string();
}
