#pragma once

#include <string>
#include <vector>

#include "platform/files/RecordFile.h"
#include "tools/check/core/UnitResult.h"

// The results log and --json: one record per unit.

// What every record of a run shares.
struct RecordLayout {
    std::string port;      // as given on the command line
    std::string settings;  // "9600,n,8,1"
    // The values' columns, in order: one per field, measure and capture.
    std::vector<std::string> valueNames;
};

// The CSV header line and one record, RFC 4180 (CsvField), every line ending
// with CRLF. The columns: time, port, settings, sent, received, expected,
// verdict, ms, unit, id, trailing, late, reason, then one per value. The
// one-step columns come from the step that decided the unit (DecidingStep).
std::string CsvHeader(const RecordLayout& layout);
std::string FormatCsvRecord(const RecordLayout& layout, const UnitResult& unit);

// One JSON object on one line, ending with LF: the columns' keys in the same
// order, ms and unit as numbers, then "values" (numbers, or texts for
// captures and values that were no number) and "limits" ({"vbat": {"low":
// 3.0, "high": 4.2, "unit": "V"}}). Valid UTF-8 (ToUtf8), escaped as JSON asks.
std::string FormatJsonRecord(const RecordLayout& layout, const UnitResult& unit);

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
