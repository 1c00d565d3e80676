#include "tools/device/HexFrame.h"

#include <cctype>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Fail(std::string* error, const std::string& why) {
    if (error) {
        *error = why;
    }
    return false;
}

// Appends the bytes of one group of digits.
bool TakeGroup(const std::string& group, Frame& frame, std::string* error) {
    if (group.size() % 2 != 0) {
        return Fail(error, "'" + group + "' has an odd number of hex digits");
    }
    for (size_t i = 0; i < group.size(); i += 2) {
        frame.push_back(
            static_cast<unsigned char>(HexDigit(group[i]) * 16 + HexDigit(group[i + 1])));
    }
    return true;
}

}  // namespace

std::optional<Frame> ParseHexFrame(const std::string& text, std::string* error) {
    Frame frame;
    std::string group;
    for (char c : text + ' ') {
        if (c == ' ' || c == '\t') {
            if (!TakeGroup(group, frame, error)) {
                return std::nullopt;
            }
            group.clear();
        } else if (HexDigit(c) >= 0) {
            group += c;
        } else {
            Fail(error, std::string("'") + c + "' is not a hex digit");
            return std::nullopt;
        }
    }
    if (frame.empty()) {
        Fail(error, "the frame holds no bytes");
        return std::nullopt;
    }
    return frame;
}

std::string FormatHexFrame(const Frame& frame) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : frame) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}
