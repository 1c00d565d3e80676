#include "send/SendText.h"

ByteArray RawTextToBytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

ByteArray SendTextToBytes(const std::string& text, bool hex) {
    if (!hex) {
        return RawTextToBytes(text);
    }
    ByteArray bytes;
    HexTextToBytes(text, bytes);
    return bytes;
}
