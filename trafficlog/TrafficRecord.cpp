#include "trafficlog/TrafficRecord.h"

#include <QString>

#include "platform/text/Gbk.h"
#include "platform/text/LocalTime.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHexPair(std::string& out, unsigned char byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

const char* FlowName(short handshaking) {
    switch (handshaking) {
        case 1:
            return "xon/xoff";
        case 2:
            return "rts/cts";
        default:
            return "none";
    }
}

std::string EscapedPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            out += "\\x";
            AppendHexPair(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

std::string PortName(short port) {
    return "COM" + std::to_string(port);
}

}  // namespace

const char* TrafficKindName(TrafficKind kind) {
    switch (kind) {
        case TrafficKind::Open:
            return "OPEN";
        case TrafficKind::Close:
            return "CLOSE";
        case TrafficKind::Receive:
            return "RX";
        case TrafficKind::Send:
            return "TX";
        case TrafficKind::Discard:
            return "DROP";
    }
    return "?";
}

std::string PrintableText(const ByteArray& bytes) {
    const QString decoded = gbk::ToQt(std::string(bytes.begin(), bytes.end()));
    // Walks the bytes beside the characters they decoded to, so that every
    // byte is one column of the text: a reader that counts them stays aligned.
    QString shown;
    shown.reserve(static_cast<qsizetype>(bytes.size()));
    size_t at = 0;
    for (const QChar c : decoded) {
        if (at >= bytes.size()) {
            break;
        }
        const char16_t code = c.unicode();
        const unsigned char first = bytes[at];
        if (first < 0x80) {
            shown += code >= 0x20 && code < 0x7F ? c : QChar('.');
            at += 1;
        } else if (gbk::IsLeadByte(first) && !gbk::IsUndecodedByte(c) && at + 1 < bytes.size()) {
            // A whole two-byte character. GBK's user-defined characters (AA BB
            // among them) and controls have no printable form: one dot a byte.
            const bool printable = code >= 0xA0 && !(code >= 0xE000 && code <= 0xF8FF);
            shown += printable ? QString(c) : QStringLiteral("..");
            at += 2;
        } else {
            // One byte that is no whole character, whatever the decoder made
            // of it (0x80 reads as the euro sign in Windows' code page 936).
            shown += QChar('.');
            at += 1;
        }
    }
    for (; at < bytes.size(); ++at) {
        shown += QChar('.');
    }
    return shown.toStdString();
}

std::string FormatTrafficRecord(const TrafficRecord& record) {
    std::string line = LocalIsoTime(record.at);
    line += ' ';
    line += TrafficKindName(record.kind);
    line += ' ';
    switch (record.kind) {
        case TrafficKind::Open:
            line += PortName(record.opening.port) + ' ' + record.opening.settings +
                    " flow=" + FlowName(record.opening.handshaking) + ' ' +
                    EscapedPath(record.opening.path);
            break;
        case TrafficKind::Close:
            line += PortName(record.opening.port) + ' ' + EscapedPath(record.opening.path);
            break;
        default:
            line += std::to_string(record.bytes.size());
            line.reserve(line.size() + record.bytes.size() * 5 + 4);
            for (unsigned char byte : record.bytes) {
                line += ' ';
                AppendHexPair(line, byte);
            }
            line += " |" + PrintableText(record.bytes) + '|';
            break;
    }
    line += '\n';
    return line;
}
