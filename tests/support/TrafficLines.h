#pragma once

#include <optional>
#include <regex>
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

// Nothing when the line does not have the documented form, or its count does
// not match its hex pairs.
inline std::optional<TrafficLine> ParseTrafficLine(const std::string& line) {
    static const std::regex kHead(
        R"(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d) (OPEN|CLOSE|RX|TX|DROP) (.*)$)");
    static const std::regex kBytes(R"(^(\d+)((?: [0-9A-F]{2})*) \|(.*)\|$)");
    std::smatch head;
    if (!std::regex_match(line, head, kHead)) {
        return std::nullopt;
    }
    TrafficLine parsed{head[1], head[2], head[3], {}, {}};
    if (parsed.kind == "OPEN" || parsed.kind == "CLOSE") {
        return parsed;
    }
    std::smatch body;
    if (!std::regex_match(parsed.rest, body, kBytes)) {
        return std::nullopt;
    }
    std::istringstream pairs(body[2].str());
    std::string pair;
    while (pairs >> pair) {
        parsed.bytes.push_back(static_cast<unsigned char>(std::stoi(pair, nullptr, 16)));
    }
    if (std::to_string(parsed.bytes.size()) != body[1].str()) {
        return std::nullopt;
    }
    parsed.text = body[3];
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
