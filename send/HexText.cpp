#include "send/HexText.h"

unsigned char HexCharValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned char>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned char>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned char>(c - 'a' + 10);
    }
    return 16;
}

HexParseEnd ParseHexText(const std::string& text, ByteArray& out) {
    const size_t length = text.size();
    // Sized once to the most bytes the text can give, cut once at the end, so
    // the parse never grows the array.
    out.assign(length / 2, 0);
    size_t count = 0;
    size_t pos = 0;
    HexParseEnd end{HexParseEnd::Complete, length};
    while (pos < length) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        if (pos + 1 >= length) {
            end = HexParseEnd{HexParseEnd::LoneLast, pos};
            break;
        }
        const unsigned char high = HexCharValue(text[pos]);
        const unsigned char low = HexCharValue(text[pos + 1]);
        if (high == 16 || low == 16) {
            end = HexParseEnd{HexParseEnd::NotAPair, pos};
            break;
        }
        out[count++] = static_cast<unsigned char>(high * 16 + low);
        pos += 2;
    }
    out.resize(count);
    return end;
}

int HexTextToBytes(std::string text, ByteArray& out) {
    ParseHexText(text, out);
    return static_cast<int>(out.size());
}
