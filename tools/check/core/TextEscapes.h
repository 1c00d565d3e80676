#pragma once

#include <optional>
#include <string>

// The check program's one home for escaping text, in both directions: reading
// the backslash escapes people type in an option, and (to come) writing texts
// for CSV, JSON and the terminal.

// Reads a text with backslash escapes into its bytes: \r \n \t \\ and \xHH
// (two hex digits, either case); every other byte stands for itself. Any other
// character after a backslash, a \x without two hex digits or a backslash at
// the end is refused: nothing is returned and `error` says, in one line,
// which escape at which character (from 1) and what is allowed.
// "\\r\\n" gives CR LF; "OK\\x00" gives 'O' 'K' 0.
std::optional<std::string> ReadBackslashEscapes(const std::string& text, std::string& error);
