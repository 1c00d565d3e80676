#pragma once

#include <string>

// Units named by lines of standard input (--ids-from-stdin): a barcode
// scanner types a serial number and Enter, a script pipes a list.

// What a terminal shows before each line is read.
extern const char kUnitIdPrompt[];

// The id of the unit one line starts: the line without its line end (LF,
// CRLF or a lone CR, as scanners send either); an empty line repeats the last
// id, which `lastId` keeps.
std::string NextUnitId(std::string line, std::string& lastId);
