#pragma once

#include <optional>
#include <string>

// An option's number as the tools take it: decimal digits only (no sign, no
// blanks), from `low` to `high`; nothing otherwise.
inline std::optional<int> ParseWholeNumber(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const long long value = std::stoll(text);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}
