#pragma once

#include <string>
#include <vector>

#include "platform/files/RecordFile.h"
#include "tools/check/core/RecordFormats.h"

// The results log: one record per unit appended to a file. A name ending in
// ".jsonl" (any case) gives JSON lines, any other CSV with a header line when
// the file is new or empty.
//
// Each record is appended whole (see RecordFile.h), so an interrupted run or a
// full disk never leaves half a record, and runs that append to one file at
// the same time never mix inside a record. The header is written under an
// exclusive flock(2), so two runs starting on one new file write it once.
// POSIX only.
class ResultsLog {
public:
    enum class Format { Csv, JsonLines };

    static Format FormatFor(const std::string& path);

    explicit ResultsLog(RecordLayout layout = {}) : layout_(std::move(layout)) {}

    // Opens the file for appending, creating it, and writes the CSV header
    // when it is empty. A CSV file whose first line is another header is
    // refused; a file whose last line has no line break gets one first.
    // Empty on success, else one line: the path and the reason. Call before
    // the first unit: a log that cannot be opened is a usage error.
    std::string Open(const std::string& path);

    // Appends one record. Empty on success, else one line saying what went
    // wrong (the record is then missing).
    std::string Append(const UnitResult& unit);

    bool isOpen() const { return file_.handle() >= 0; }
    Format format() const { return format_; }

private:
    std::string Failure(const std::string& what, int error) const;
    // Under the lock: the header of a new CSV file, a refusal of one whose
    // header differs, and a line break after a last line that lacks one.
    std::string Prepare();
    // The header and the last byte of a file that already holds records.
    std::string CheckEnds(int reader, long long size, const std::string& header);

    RecordLayout layout_;
    RecordFile file_;
    Format format_ = Format::Csv;
    std::string path_;
};
