#pragma once

#include <string>

// The text one received byte shows as: in hex mode two upper-case hex digits
// and a blank ("0A "), else the byte itself as one character. Byte 0 shows as
// nothing in character mode, since a C text ends at its first zero byte.
std::string ByteText(unsigned char byte, bool hex);
