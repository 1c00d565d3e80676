#include "platform/text/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {
namespace {

// Private-use block that carries bytes GBK cannot decode: U+F700 + byte.
constexpr char16_t kEscapeBase = 0xF700;

bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

bool IsEscape(char16_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// Decodes GBK a character at a time. Making a converter looks the codec up
// anew, which costs far more than one character's conversion: a text that
// needs this way is decoded with one pair of converters.
class OneByOne {
public:
    // One character of one or two bytes; empty when it does not round-trip.
    QString Decode(const char* p, int n) {
        decoder_.resetState();
        QString s = decoder_(QByteArrayView(p, n));
        if (decoder_.hasError() || s.size() != 1 || s.at(0) == QChar::ReplacementCharacter) {
            return QString();
        }
        encoder_.resetState();
        QByteArray back = encoder_(s);
        if (encoder_.hasError() || back != QByteArray(p, n)) {
            return QString();
        }
        return s;
    }

private:
    QStringDecoder decoder_{"GBK", QStringConverter::Flag::Stateless};
    QStringEncoder encoder_{"GBK", QStringConverter::Flag::Stateless};
};

}  // namespace

QString ToQt(const std::string& bytes) {
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (ascii) {
        return QString::fromLatin1(view);
    }
    {
        // Common case: valid GBK throughout, checked by a round trip.
        QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
        QString whole = decoder(view);
        if (!decoder.hasError() && !whole.contains(QChar::ReplacementCharacter)) {
            QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
            QByteArray back = encoder(whole);
            if (!encoder.hasError() && back == view) {
                return whole;
            }
        }
    }
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    OneByOne converter;
    const int n = static_cast<int>(bytes.size());
    int i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        QString one;
        if (IsLeadByte(b) && i + 1 < n && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            one = converter.Decode(bytes.data() + i, 2);
            if (!one.isEmpty()) {
                out.append(one);
                i += 2;
                continue;
            }
        }
        one = converter.Decode(bytes.data() + i, 1);
        out.append(one.isEmpty() ? QChar(char16_t(kEscapeBase + b)) : one.at(0));
        ++i;
    }
    return out;
}

bool IsUndecodedByte(QChar c) {
    return IsEscape(c.unicode());
}

std::string ToBytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    qsizetype runStart = -1;
    auto flushRun = [&](qsizetype end) {
        if (runStart < 0) {
            return;
        }
        QByteArray enc = encoder(QStringView(text).mid(runStart, end - runStart));
        out.append(enc.constData(), static_cast<size_t>(enc.size()));
        runStart = -1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            flushRun(i);
            out.push_back(static_cast<char>(c));
        } else if (IsEscape(c)) {
            flushRun(i);
            out.push_back(static_cast<char>(c - kEscapeBase));
        } else if (runStart < 0) {
            runStart = i;
        }
    }
    flushRun(text.size());
    return out;
}

std::string Text(const char* utf8) {
    return ToBytes(QString::fromUtf8(utf8));
}

}  // namespace gbk
