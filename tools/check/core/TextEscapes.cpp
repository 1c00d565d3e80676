#include "tools/check/core/TextEscapes.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>

#include "analysis/ByteText.h"
#include "platform/text/Gbk.h"
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

bool IsValidUtf8(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded =
        utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !utf8.hasError();
}

void AppendEscapedByte(std::string& out, unsigned char byte) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    out += escaped;
}

// One GBK character of two bytes as UTF-8; empty when the pair is none, or
// only a user-defined character that shows as nothing anyone could read.
std::string GbkPair(const std::string& bytes, size_t at) {
    const QString one = gbk::ToQt(bytes.substr(at, 2));
    if (one.size() != 1 || gbk::IsUndecodedByte(one.at(0))) {
        return std::string();
    }
    const char16_t c = one.at(0).unicode();
    if (c >= 0xE000 && c <= 0xF8FF) {
        return std::string();
    }
    return one.toStdString();
}

// The text as UTF-8 (kept when it is UTF-8 already, else read as GBK) with
// each byte that is no character as \xFF; `quoted` doubles the text's own
// backslashes, so that the two cannot be told apart in a quoted text.
std::string Decoded(const std::string& bytes, bool quoted) {
    const bool utf8 = IsValidUtf8(bytes);
    if (utf8 && (!quoted || bytes.find('\\') == std::string::npos)) {
        return bytes;
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte == '\\' && quoted) {
            out += "\\\\";
            ++at;
            continue;
        }
        if (byte < 0x80 || utf8) {
            out += bytes[at++];
            continue;
        }
        if (gbk::IsLeadByte(byte) && at + 1 < bytes.size()) {
            const std::string character = GbkPair(bytes, at);
            if (!character.empty()) {
                out += character;
                at += 2;
                continue;
            }
        }
        AppendEscapedByte(out, byte);
        ++at;
    }
    return out;
}

bool IsUtf8Continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Control characters (C0, DEL and C1: U+0080 to U+009F, C2 80 to C2 9F in
// UTF-8) as \xNN; a quoted text also escapes its quotes and writes CR, LF
// and tab as a C string does (Decoded has doubled its backslashes).
std::string EscapedForTerminal(const std::string& utf8, bool quoted) {
    std::string out;
    out.reserve(utf8.size() + 2);
    for (size_t at = 0; at < utf8.size(); ++at) {
        const char c = utf8[at];
        const auto byte = static_cast<unsigned char>(c);
        const char* named = c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : nullptr;
        const bool c1 = byte == 0xC2 && at + 1 < utf8.size() &&
                        static_cast<unsigned char>(utf8[at + 1]) <= 0x9F;
        if (quoted && named) {
            out += named;
        } else if (quoted && c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscapedByte(out, byte);
        } else if (c1) {
            AppendEscapedByte(out, byte);
            AppendEscapedByte(out, static_cast<unsigned char>(utf8[++at]));
        } else {
            out += c;
        }
    }
    return out;
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

std::string HexBytes(const ByteArray& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (unsigned char byte : bytes) {
        text += ByteText(byte, true);
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::string ToUtf8(const std::string& bytes) {
    return Decoded(bytes, false);
}

std::string ForTerminal(const std::string& bytes) {
    return EscapedForTerminal(Decoded(bytes, false), false);
}

std::string QuotedForTerminal(const std::string& bytes) {
    return "\"" + EscapedForTerminal(Decoded(bytes, true), true) + "\"";
}

std::string WholeCharacters(const std::string& text, size_t from, size_t count) {
    if (from >= text.size()) {
        return std::string();
    }
    size_t end = std::min(text.size(), from + count);
    if (IsValidUtf8(text)) {
        while (from > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[from]))) {
            --from;
        }
        while (end < text.size() && IsUtf8Continuation(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        return text.substr(from, end - from);
    }
    // GBK: walk from the start, a lead byte taking the byte after it.
    size_t start = 0;
    size_t at = 0;
    while (at < text.size() && at <= from) {
        start = at;
        at += gbk::IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    }
    while (at < end) {
        at += gbk::IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    }
    return text.substr(start, std::min(at, text.size()) - start);
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

std::string XmlText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (IsControl(c) && c != '\t' && c != '\n' && c != '\r') {
                    AppendEscapedByte(out, static_cast<unsigned char>(c));
                } else {
                    out += c;
                }
        }
    }
    return out;
}
