#include "tools/check/UnitRecord.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/text/LocalTime.h"
#include "tools/check/OutputText.h"

namespace {

constexpr const char* kFieldNames[] = {"time",     "port",     "settings", "sent",
                                       "received", "expected", "verdict",  "ms",
                                       "unit",     "id",       "trailing", "late"};

// The record's fields in order, as text; numbers are marked for JSON.
std::vector<std::pair<std::string, bool>> Fields(const UnitRecord& r) {
    return {
        {LocalIsoTime(r.time), false},   {ToUtf8(r.port), false},
        {ToUtf8(r.settings), false},     {HexBytes(r.sent), false},
        {HexBytes(r.received), false},   {ToUtf8(r.expected), false},
        {VerdictName(r.verdict), false}, {FormatMs(r.ms), true},
        {std::to_string(r.unit), true},  {ToUtf8(r.id), false},
        {HexBytes(r.trailing), false},   {HexBytes(r.late), false},
    };
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

}  // namespace

std::string CsvHeader() {
    std::string line;
    for (const char* name : kFieldNames) {
        line += (line.empty() ? "" : ",") + std::string(name);
    }
    return line + "\r\n";
}

std::string FormatCsvRecord(const UnitRecord& record) {
    std::string line;
    bool first = true;
    for (const auto& field : Fields(record)) {
        line += (first ? "" : ",") + CsvField(field.first);
        first = false;
    }
    return line + "\r\n";
}

std::string FormatJsonRecord(const UnitRecord& record) {
    std::string line = "{";
    size_t at = 0;
    for (const auto& [text, isNumber] : Fields(record)) {
        line += (at == 0 ? "\"" : ",\"") + std::string(kFieldNames[at]) + "\":";
        line += isNumber ? text : JsonString(text);
        ++at;
    }
    return line + "}\n";
}
