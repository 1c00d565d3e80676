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

// At most nine digits, so that the value fits an int.
bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsStandardRate(int baud) {
    return std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) != std::end(kBaudRates);
}

std::string StandardRateList() {
    std::string list;
    for (int rate : kBaudRates) {
        list += (list.empty() ? "" : ", ") + std::to_string(rate);
    }
    return list;
}

std::optional<CommSettings> Refuse(std::string* why, const std::string& reason) {
    if (why) {
        *why = reason;
    }
    return std::nullopt;
}

std::string Given(const std::string& field) {
    return ", not '" + field + "'";
}

// One reading of the settings string for both rate rules.
std::optional<CommSettings> Parse(const std::string& text, bool anyBaud, std::string* why) {
    const std::vector<std::string> f = SplitFields(text);
    if (f.size() != 4) {
        return Refuse(why,
                      "settings are BAUD,PARITY,DATABITS,STOPBITS, e.g. 9600,n,8,1" + Given(text));
    }
    CommSettings s;
    const std::optional<int> baud = ParseBaudRate(f[0]);
    if (baud) {
        s.baud = *baud;
    }
    if (!baud || (!anyBaud && !IsStandardRate(s.baud))) {
        return Refuse(why, (anyBaud ? "the baud rate is a whole number from 1 to " +
                                          std::to_string(kMaxBaudRate)
                                    : "the baud rate is one of " + StandardRateList()) +
                               Given(f[0]));
    }
    const char p = f[1].size() == 1 ? static_cast<char>(f[1][0] | 0x20) : '\0';
    if (p != 'e' && p != 'm' && p != 'n' && p != 'o' && p != 's') {
        return Refuse(why,
                      "the parity is e, m, n, o or s (even, mark, none, odd, space)" + Given(f[1]));
    }
    s.parity = p;
    if (f[2].size() != 1 || f[2][0] < '4' || f[2][0] > '8') {
        return Refuse(why, "the data bits are 4 to 8" + Given(f[2]));
    }
    s.dataBits = f[2][0] - '0';
    if (f[3] != "1" && f[3] != "1.5" && f[3] != "2") {
        return Refuse(why, "the stop bits are 1, 1.5 or 2" + Given(f[3]));
    }
    s.stopBits = f[3];
    return s;
}

}  // namespace

std::optional<CommSettings> ParseCommSettings(const std::string& text) {
    return Parse(text, false, nullptr);
}

std::optional<CommSettings> ParseCommSettingsAnyBaud(const std::string& text, std::string* why) {
    return Parse(text, true, why);
}

std::optional<int> ParseBaudRate(const std::string& text) {
    if (!AllDigits(text)) {
        return std::nullopt;
    }
    const int baud = std::stoi(text);
    return baud >= 1 ? std::optional<int>(baud) : std::nullopt;
}

std::string FormatCommSettings(const CommSettings& s) {
    return std::to_string(s.baud) + "," + std::string(1, s.parity) + "," +
           std::to_string(s.dataBits) + "," + s.stopBits;
}

UnsendableSettings FindUnsendableSettings(const CommSettings& s) {
    if (s.dataBits < 5) {
        return UnsendableSettings::DataBits;
    }
    if (s.stopBits == "1.5" && s.dataBits != 5) {
        return UnsendableSettings::OneAndAHalfStopBits;
    }
    if (s.stopBits == "2" && s.dataBits == 5) {
        return UnsendableSettings::TwoStopBits;
    }
    return UnsendableSettings::None;
}
