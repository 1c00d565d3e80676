#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

// A line of the traffic log read back by the format the README gives, so that
// a test sees what a reader of the log sees.
struct TrafficLine {
    std::string time;  // 2025-03-14T09:26:53.589+01:00
    std::string kind;  // OPEN, CLOSE, RX, TX or DROP
    std::string rest;  // OPEN, CLOSE: everything after the kind
    std::vector<unsigned char> bytes;
    std::string text;  // between the bars
};

namespace traffic_lines {

// The time's shape, character by character: 'd' a digit, anything else itself.
inline bool IsTime(const std::string& t) {
    static const std::string kShape = "dddd-dd-ddTdd:dd:dd.ddd+dd:dd";
    if (t.size() != kShape.size()) {
        return false;
    }
    for (size_t i = 0; i < t.size(); ++i) {
        const bool digit = t[i] >= '0' && t[i] <= '9';
        const bool ok = kShape[i] == 'd'   ? digit
                        : kShape[i] == '+' ? (t[i] == '+' || t[i] == '-')
                                           : t[i] == kShape[i];
        if (!ok) {
            return false;
        }
    }
    return true;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

}  // namespace traffic_lines

// Nothing when the line does not have the documented form, or its count does
// not match its hex pairs.
inline std::optional<TrafficLine> ParseTrafficLine(const std::string& line) {
    using namespace traffic_lines;
    const size_t kindAt = line.find(' ');
    const size_t restAt = kindAt == std::string::npos ? kindAt : line.find(' ', kindAt + 1);
    if (restAt == std::string::npos || !IsTime(line.substr(0, kindAt))) {
        return std::nullopt;
    }
    TrafficLine parsed{line.substr(0, kindAt),
                       line.substr(kindAt + 1, restAt - kindAt - 1),
                       line.substr(restAt + 1),
                       {},
                       {}};
    if (parsed.kind == "OPEN" || parsed.kind == "CLOSE") {
        return parsed;
    }
    if (parsed.kind != "RX" && parsed.kind != "TX" && parsed.kind != "DROP") {
        return std::nullopt;
    }
    const std::string& rest = parsed.rest;
    size_t at = 0;
    while (at < rest.size() && rest[at] >= '0' && rest[at] <= '9') {
        ++at;
    }
    if (at == 0 || at > 9) {
        return std::nullopt;
    }
    const size_t count = std::stoul(rest.substr(0, at));
    for (size_t i = 0; i < count; ++i, at += 3) {
        if (at + 3 > rest.size() || rest[at] != ' ' || HexDigit(rest[at + 1]) < 0 ||
            HexDigit(rest[at + 2]) < 0) {
            return std::nullopt;
        }
        parsed.bytes.push_back(
            static_cast<unsigned char>(HexDigit(rest[at + 1]) * 16 + HexDigit(rest[at + 2])));
    }
    if (rest.compare(at, 2, " |") != 0 || rest.size() < at + 3 || rest.back() != '|') {
        return std::nullopt;
    }
    parsed.text = rest.substr(at + 2, rest.size() - at - 3);
    return parsed;
}

// Every line of a log's text; a line that does not parse is a test failure
// for the caller to report, so it comes back as nothing.
inline std::vector<std::optional<TrafficLine>> ParseTrafficLog(const std::string& text) {
    std::vector<std::optional<TrafficLine>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(ParseTrafficLine(line));
    }
    return lines;
}
