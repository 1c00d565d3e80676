#include "tools/check/core/ValueText.h"

#include <charconv>
#include <cmath>

namespace {

// A number with a fixed count of decimals, whatever the locale.
std::string FixedDecimals(double value, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const long long scaled = std::llround(value * double(scale));
    std::string fraction = std::to_string(scaled % scale);
    fraction.insert(0, size_t(decimals) - fraction.size(), '0');
    return std::to_string(scaled / scale) + "." + fraction;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The length of the number at the start of `text`, by the reader's grammar, or 0.
size_t NumberLength(const std::string& text, size_t at) {
    const size_t start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    size_t digits = 0;
    while (at < text.size() && IsDigit(text[at])) {
        ++at, ++digits;
    }
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDigit(text[at])) {
            ++at, ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        if (exponent == text.size() || !IsDigit(text[exponent])) {
            return 0;
        }
        while (exponent < text.size() && IsDigit(text[exponent])) {
            ++exponent;
        }
        at = exponent;
    }
    return at - start;
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string ValueNameError(const std::string& name) {
    if (name.empty()) {
        return "a value needs a name";
    }
    const bool wellFormed = name.size() <= 64 && (IsLetter(name[0]) || name[0] == '_') &&
                            name.find_first_not_of(
                                "abcdefghijklmnopqrstuvwxyz"
                                "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") == std::string::npos;
    if (wellFormed) {
        return std::string();
    }
    return "'" + name +
           "' is not a value name: a letter or _ first, then letters, digits or _, up to 64";
}

std::optional<NamedText> ReadNamedText(const std::string& text, const std::string& form,
                                       std::string& error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "no '=' after the name; " + form;
        return std::nullopt;
    }
    NamedText named{TrimBlanks(text.substr(0, equals)), text.substr(equals + 1)};
    error = ValueNameError(named.name);
    if (!error.empty()) {
        return std::nullopt;
    }
    return named;
}

std::optional<double> ReadNumber(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const size_t length = NumberLength(text, start);
    if (length == 0 || text.find_first_not_of(" \t", start + length) != std::string::npos) {
        return std::nullopt;
    }
    // from_chars takes no '+' and no locale.
    const size_t first = text[start] == '+' ? start + 1 : start;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + first, text.data() + start + length, value);
    if (error != std::errc() || end != text.data() + start + length || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string FormatNumber(double value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    if (value == 0) {
        value = 0;  // no "-0" from a negative scale
    }
    char text[32];
    std::string written;
    for (int digits = 15; digits <= 17; ++digits) {
        const auto [end, error] =
            std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
        written.assign(text, error == std::errc() ? end : text);
        double back = 0;
        std::from_chars(written.data(), written.data() + written.size(), back);
        if (back == value) {
            break;
        }
    }
    return written;
}

std::string FormatOneDecimal(double ms) {
    if (!std::isfinite(ms) || ms < 0) {
        ms = 0;
    }
    return FixedDecimals(ms, 1);
}

std::string FormatMs(double ms) {
    if (!std::isfinite(ms) || ms < 0) {
        ms = 0;
    }
    return FixedDecimals(ms, ms < 0.9995 ? 3 : ms < 9.995 ? 2 : 1);
}
