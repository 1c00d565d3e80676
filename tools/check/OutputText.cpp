#include "tools/check/OutputText.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cmath>
#include <cstdio>

#include "analysis/ByteText.h"
#include "platform/text/Gbk.h"

namespace {

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

}  // namespace

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
