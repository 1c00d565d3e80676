#pragma once

#include <chrono>
#include <string>

#include "send/HexText.h"
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
