#pragma once

#include <cstddef>
#include <string>

#include "send/HexText.h"

// Texts as the check program writes them to the terminal and to its log.

// Bytes as the window's hex mode shows them, without the last blank: "01 03".
std::string HexBytes(const ByteArray& bytes);

// A text of the command line (the shell's bytes) or of the data library (GBK)
// as UTF-8: kept as it is when it is valid UTF-8, else read as GBK, the
// window's code page. A byte that starts no GBK character (or only one of
// GBK's user-defined ones) is written \xFF and reading goes on with the next
// byte, so nothing vanishes and what follows stays itself. Logs and JSON are
// therefore always valid UTF-8.
std::string ToUtf8(const std::string& bytes);

// ToUtf8 for one line of a terminal: control characters (C0, DEL and C1) are
// written \xNN, so that no text from a device, a file or an operator can
// move the cursor or recolour the screen.
std::string ForTerminal(const std::string& bytes);

// ToUtf8 in double quotes, with line breaks, tabs, other control characters
// and quotes escaped (\r, \n, \t, \x01, \"), for one line of a terminal.
std::string QuotedForTerminal(const std::string& bytes);

// `count` bytes of `text` from `from`, widened to whole characters (UTF-8
// when the text is valid UTF-8, else GBK), for quoting a piece of it.
std::string WholeCharacters(const std::string& text, size_t from, size_t count);

// A number with one decimal, "12.3", whatever the locale; negative or
// not finite numbers give "0.0".
std::string FormatOneDecimal(double ms);

// Milliseconds with the digits that mean something: three decimals under
// 1 ms ("0.042"), two under 10 ms ("2.35"), else one ("12.3").
std::string FormatMs(double ms);
