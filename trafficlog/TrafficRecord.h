#pragma once

#include <chrono>
#include <string>

#include "platform/text/ByteArray.h"
#include "serial/CommTraffic.h"

// One record of the traffic log and its line. Every line starts with the
// local time and the kind:
//
//   2025-03-14T09:26:53.589+01:00 OPEN COM2 9600,n,8,1 flow=none /dev/pts/3
//   2025-03-14T09:26:54.090+01:00 RX 2 AA BB |..|
//   2025-03-14T09:26:55.112+01:00 TX 4 50 49 4E 47 |PING|
//   2025-03-14T09:26:56.011+01:00 DROP 3 41 0D 0A |A..|
//   2025-03-14T09:26:57.400+01:00 CLOSE COM2 /dev/pts/3
//
// Byte records give the count, the bytes as upper-case hex pairs and, between
// bars, the bytes as GBK text: printable characters as they are (in UTF-8),
// every other byte as '.'. The path comes last on OPEN and CLOSE, with control
// characters and backslashes written as \xNN, so that a record is one line.

enum class TrafficKind { Open, Close, Receive, Send, Discard };

struct TrafficRecord {
    TrafficKind kind = TrafficKind::Receive;
    std::chrono::system_clock::time_point at;
    ByteArray bytes;      // Receive, Send, Discard
    PortOpening opening;  // Open; Close uses its port and path
};

// The record's line, with its line end.
std::string FormatTrafficRecord(const TrafficRecord& record);

// "OPEN", "CLOSE", "RX", "TX" or "DROP".
const char* TrafficKindName(TrafficKind kind);

// The bytes as GBK text in UTF-8; control characters, bytes that are no whole
// GBK character and GBK's user-defined characters become '.', one per byte.
std::string PrintableText(const ByteArray& bytes);
