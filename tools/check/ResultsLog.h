#pragma once

#include <string>

#include "tools/check/UnitRecord.h"

// The results log: one record per unit appended to a file. A name ending in
// ".jsonl" (any case) gives JSON lines, any other CSV with a header line when
// the file is new or empty.
//
// Each record goes to the file in one write(2) on a descriptor opened with
// O_APPEND, so an interrupted run never leaves half a record, and runs that
// append to one file at the same time never mix inside a record. The header
// is written under an exclusive flock(2), so two runs starting on one new file
// write it once. POSIX only.
class ResultsLog {
public:
    enum class Format { Csv, JsonLines };

    ResultsLog() = default;
    ~ResultsLog();
    ResultsLog(const ResultsLog&) = delete;
    ResultsLog& operator=(const ResultsLog&) = delete;

    static Format FormatFor(const std::string& path);

    // Opens the file for appending, creating it, and writes the CSV header
    // when it is empty. Empty on success, else one line: the path and the
    // system's reason. Call before the first unit: a log that cannot be
    // opened is a usage error.
    std::string Open(const std::string& path);

    // Appends one record. Empty on success, else one line saying what went
    // wrong (the record is then missing or, when the disk filled up, cut).
    std::string Append(const UnitRecord& record);

    bool isOpen() const { return fd_ >= 0; }
    Format format() const { return format_; }

private:
    std::string WriteOnce(const std::string& bytes);
    std::string Failure(const std::string& what, int error) const;

    int fd_ = -1;
    Format format_ = Format::Csv;
    std::string path_;
};
