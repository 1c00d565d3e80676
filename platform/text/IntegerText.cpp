#include "platform/text/IntegerText.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace integer_text {

std::string Format(int32_t value) {
    return std::to_string(value);
}

std::optional<int32_t> Parse(const std::string& text) {
    const std::string head = text.substr(0, kMaxChars);
    const char* p = head.c_str();
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    const char first = *p;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(p, &end, 10);
    if (value > INT32_MAX) {
        value = INT32_MAX;
    } else if (value < INT32_MIN) {
        value = INT32_MIN;
    }
    const char* rest = end;
    while (*rest == ' ' || *rest == '\t') {
        ++rest;
    }
    if (*rest != '\0') {
        return std::nullopt;
    }
    if (value == 0 && first != '0') {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace integer_text
