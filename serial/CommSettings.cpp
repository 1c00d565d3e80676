#include "serial/CommSettings.h"

#include <algorithm>
#include <vector>

namespace {

const int kBaudRates[] = {110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                          19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    return fields;
}

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<CommSettings> ParseCommSettings(const std::string& text) {
    const std::vector<std::string> f = SplitFields(text);
    if (f.size() != 4) {
        return std::nullopt;
    }
    CommSettings s;
    if (!AllDigits(f[0])) {
        return std::nullopt;
    }
    s.baud = std::stoi(f[0]);
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), s.baud) == std::end(kBaudRates)) {
        return std::nullopt;
    }
    if (f[1].size() != 1) {
        return std::nullopt;
    }
    const char p = static_cast<char>(f[1][0] | 0x20);
    if (p != 'e' && p != 'm' && p != 'n' && p != 'o' && p != 's') {
        return std::nullopt;
    }
    s.parity = p;
    if (f[2].size() != 1 || f[2][0] < '4' || f[2][0] > '8') {
        return std::nullopt;
    }
    s.dataBits = f[2][0] - '0';
    if (f[3] != "1" && f[3] != "1.5" && f[3] != "2") {
        return std::nullopt;
    }
    s.stopBits = f[3];
    return s;
}

std::string FormatCommSettings(const CommSettings& s) {
    return std::to_string(s.baud) + "," + std::string(1, s.parity) + "," +
           std::to_string(s.dataBits) + "," + s.stopBits;
}
