#pragma once

#include <chrono>
#include <string>

#include "platform/files/RecordFile.h"
#include "platform/text/ByteArray.h"
#include "tools/check/core/Verdict.h"

// One unit's record, as the results log and --json write it. The fields, in
// this order: time, port, settings, sent, received, expected, verdict, ms,
// unit, id, trailing, late.
struct UnitRecord {
    std::chrono::system_clock::time_point time;  // when the unit was decided
    std::string port;                            // as given on the command line
    std::string settings;                        // "9600,n,8,1"
    ByteArray sent;
    ByteArray received;    // up to the deciding byte; what arrived for a TIMEOUT
    std::string expected;  // as given, blanks kept
    Verdict verdict = Verdict::Timeout;
    double ms = 0;       // from the send to the verdict
    long long unit = 0;  // its number in the run, from 1
    std::string id;      // empty unless given
    ByteArray trailing;  // after the verdict until the line was quiet; never judged
    ByteArray late;      // after a TIMEOUT, within one more timeout; never judged
};

// The CSV header line and one record, RFC 4180: a field holding a comma, a
// double quote, CR or LF goes in double quotes with its quotes doubled; every
// line ends with CRLF as RFC 4180 asks. Texts are UTF-8 (ToUtf8).
std::string CsvHeader();
std::string FormatCsvRecord(const UnitRecord& record);

// One JSON object on one line, ending with LF, keys in the order above; ms
// and unit are numbers, the rest strings, valid UTF-8 (ToUtf8) and escaped
// as JSON asks.
std::string FormatJsonRecord(const UnitRecord& record);

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

    // Opens the file for appending, creating it, and writes the CSV header
    // when it is empty. A CSV file whose first line is another header is
    // refused; a file whose last line has no line break gets one first.
    // Empty on success, else one line: the path and the reason. Call before
    // the first unit: a log that cannot be opened is a usage error.
    std::string Open(const std::string& path);

    // Appends one record. Empty on success, else one line saying what went
    // wrong (the record is then missing).
    std::string Append(const UnitRecord& record);

    bool isOpen() const { return file_.handle() >= 0; }
    Format format() const { return format_; }

private:
    std::string Failure(const std::string& what, int error) const;
    // Under the lock: the header of a new CSV file, a refusal of one whose
    // header differs, and a line break after a last line that lacks one.
    std::string Prepare();
    // The header and the last byte of a file that already holds records.
    std::string CheckEnds(int reader, long long size, const std::string& header);

    RecordFile file_;
    Format format_ = Format::Csv;
    std::string path_;
};
