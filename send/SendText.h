#pragma once

#include <string>

#include "send/HexText.h"

// The send text's own bytes, as stored (GBK for Chinese), whole and with nothing
// appended. A text of 65,536 bytes or more is sent whole, never cut to its
// length modulo 65,536.
ByteArray RawTextToBytes(const std::string& text);

// What one send puts on the line: the bytes the hex digit pairs spell when
// `hex` is set, else the text's own bytes.
ByteArray SendTextToBytes(const std::string& text, bool hex);
