#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/text/ByteArray.h"

// The check program's one home for escaping text, in both directions: reading
// the backslash escapes people type in an option, and writing texts for the
// terminal, CSV and JSON.

// Reads a text with backslash escapes into its bytes: \r \n \t \\ and \xHH
// (two hex digits, either case); every other byte stands for itself. Any other
// character after a backslash, a \x without two hex digits or a backslash at
// the end is refused: nothing is returned and `error` says, in one line,
// which escape at which character (from 1) and what is allowed.
// "\\r\\n" gives CR LF; "OK\\x00" gives 'O' 'K' 0.
std::optional<std::string> ReadBackslashEscapes(const std::string& text, std::string& error);

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

// A CSV field as RFC 4180 has it: in double quotes, its quotes doubled, when
// it holds a comma, a double quote, CR or LF.
std::string CsvField(const std::string& text);

// A JSON string, quotes included: quotes, backslashes and control
// characters escaped. The text must be UTF-8 (ToUtf8).
std::string JsonString(const std::string& text);

// A text for XML 1.0 content and attribute values: & < > " ' as entities,
// and the control characters XML cannot hold (all but tab, LF and CR) as
// \xNN. The text must be UTF-8 (ToUtf8).
std::string XmlText(const std::string& utf8);
