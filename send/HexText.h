#pragma once

#include <string>

#include "platform/text/ByteArray.h"

// Turns a text of hexadecimal digit pairs into bytes: "01 02 0A FF" gives 0x01
// 0x02 0x0A 0xFF. Blanks may stand between pairs but never inside one; parsing
// ends at the first pair that is not two hex digits, and a lone last character
// is dropped. `out` is replaced by exactly the parsed bytes; returns their count.
// The text is taken by value, so the caller's text stays as it was.
int HexTextToBytes(std::string text, ByteArray& out);

// The value of one hex digit (0 to 15), or 16 for any other character.
unsigned char HexCharValue(char c);
