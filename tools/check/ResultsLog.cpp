#include "tools/check/ResultsLog.h"

#include <sys/file.h>
#include <sys/stat.h>
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
    if (format_ != Format::Csv) {
        return std::string();
    }
    // Locked, so that two runs starting on one new file write one header; a
    // pipe or a terminal has no size and always gets it.
    const int fd = file_.handle();
    const bool locked = flock(fd, LOCK_EX) == 0;
    struct stat st {};
    std::string why;
    if (fstat(fd, &st) != 0) {
        why = Failure("cannot read the size of", errno);
    } else if (st.st_size == 0) {
        if (const int error = file_.Append(CsvHeader())) {
            why = Failure("cannot write to the", error);
        }
    }
    if (locked) {
        flock(fd, LOCK_UN);
    }
    if (!why.empty()) {
        file_.Close();
    }
    return why;
}

std::string ResultsLog::Append(const UnitRecord& record) {
    if (!isOpen()) {
        return "the log " + path_ + " is not open";
    }
    if (const int error = file_.Append(format_ == Format::Csv ? FormatCsvRecord(record)
                                                              : FormatJsonRecord(record))) {
        return Failure("cannot write to the", error);
    }
    return std::string();
}
