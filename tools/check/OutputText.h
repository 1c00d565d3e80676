#pragma once

#include <string>

#include "send/HexText.h"

// Texts as the check program writes them to the terminal and to its log.

// Bytes as the window's hex mode shows them, without the last blank: "01 03".
std::string HexBytes(const ByteArray& bytes);

// A text of the command line (the shell's bytes) or of the data library (GBK)
// as UTF-8: kept as it is when it is valid UTF-8, else decoded as GBK, the
// window's code page. Logs and JSON are therefore always valid UTF-8.
std::string ToUtf8(const std::string& bytes);

// ToUtf8 in double quotes, with line breaks, tabs, other control characters
// and quotes escaped (\r, \n, \t, \x01, \"), for one line of a terminal.
std::string QuotedForTerminal(const std::string& bytes);

// A number with one decimal, "12.3", whatever the locale; negative or
// not finite numbers give "0.0".
std::string FormatOneDecimal(double ms);
