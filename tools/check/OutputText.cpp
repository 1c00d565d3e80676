#include "tools/check/OutputText.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cmath>
#include <cstdio>

#include "analysis/ByteText.h"
#include "platform/text/Gbk.h"

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
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded =
        utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) {
        return bytes;
    }
    return gbk::ToQt(bytes).toStdString();
}

std::string QuotedForTerminal(const std::string& bytes) {
    std::string out = "\"";
    for (char c : ToUtf8(bytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string FormatOneDecimal(double ms) {
    if (!std::isfinite(ms) || ms < 0) {
        ms = 0;
    }
    const long long tenths = std::llround(ms * 10);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}
