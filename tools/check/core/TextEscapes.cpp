#include "tools/check/core/TextEscapes.h"

#include <algorithm>
#include <cstdio>

#include "send/HexText.h"

namespace {

// The character (from 1) that starts at byte `index` of a UTF-8 text: bytes
// that continue a character are not counted.
size_t CharacterNumber(const std::string& text, size_t index) {
    size_t number = 1;
    for (size_t i = 0; i < index; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++number;
        }
    }
    return number;
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The escape as typed, for the error: the backslash and what follows it (two
// more after \x), never cutting a UTF-8 character nor showing a control byte,
// so that the error stays one line.
std::string EscapeAsTyped(const std::string& text, size_t at) {
    const size_t last = std::min(text.size(), at + (text[at + 1] == 'x' ? 4 : 2));
    size_t end = at + 1;
    while (end < last && !IsControl(text[end])) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(at, end - at);
}

}  // namespace

std::optional<std::string> ReadBackslashEscapes(const std::string& text, std::string& error) {
    static const char kAllowed[] = "the escapes are \\r \\n \\t \\\\ and \\xHH";
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        const std::string where = "character " + std::to_string(CharacterNumber(text, i));
        if (i + 1 == text.size()) {
            error = where + ": a backslash at the end escapes nothing; " + kAllowed;
            return std::nullopt;
        }
        const char c = text[i + 1];
        if (c == 'r' || c == 'n' || c == 't' || c == '\\') {
            bytes += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : '\\';
            ++i;
        } else if (c == 'x') {
            const unsigned char high = i + 2 < text.size() ? HexCharValue(text[i + 2]) : 16;
            const unsigned char low = i + 3 < text.size() ? HexCharValue(text[i + 3]) : 16;
            if (high == 16 || low == 16) {
                error =
                    where + ": " + EscapeAsTyped(text, i) + " needs two hex digits, as in \\x0D";
                return std::nullopt;
            }
            bytes += static_cast<char>(high * 16 + low);
            i += 3;
        } else if (IsControl(c)) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(c));
            error = where + ": a backslash before byte " + byte + " is not an escape; " + kAllowed;
            return std::nullopt;
        } else {
            error = where + ": " + EscapeAsTyped(text, i) + " is not an escape; " + kAllowed;
            return std::nullopt;
        }
    }
    return bytes;
}
