#pragma once

#include <cstddef>
#include <string>

#include "platform/text/ByteArray.h"

// Where and why a parse of hex digit pairs stopped.
struct HexParseEnd {
    enum Reason {
        Complete,  // the whole text was read
        NotAPair,  // the pair at `position` is not two hex digits
        LoneLast,  // the character at `position` is alone at the end and was dropped
    };
    Reason reason = Complete;
    size_t position = 0;  // 0-based byte index; the text's length when Complete
};

// Turns a text of hexadecimal digit pairs into bytes: "01 02 0A FF" gives 0x01
// 0x02 0x0A 0xFF. Blanks may stand between pairs but never inside one; parsing
// ends at the first pair that is not two hex digits, and a lone last character
// is dropped. `out` is replaced by exactly the parsed bytes. The result says
// whether the whole text was read, and if not where the parse stopped, for
// callers that must refuse a text the parser would cut short.
HexParseEnd ParseHexText(const std::string& text, ByteArray& out);

// The send workers' form of ParseHexText: the bytes parsed before any stop,
// silently; returns their count. The text is taken by value, so the caller's
// text stays as it was.
int HexTextToBytes(std::string text, ByteArray& out);

// The value of one hex digit (0 to 15), or 16 for any other character.
unsigned char HexCharValue(char c);
