#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Units named by lines of standard input (--ids-from-stdin): a barcode
// scanner types a serial number and Enter, a script pipes a list.

// What a terminal shows before each line is read.
extern const char kUnitIdPrompt[];

// The longest id taken, in bytes; a longer line is refused.
constexpr size_t kLongestUnitId = 1000;

// The id of the unit one line starts: the line without its line end (LF,
// CRLF or a lone CR, as scanners send either); an empty line repeats the last
// id, which `lastId` keeps.
std::string NextUnitId(std::string line, std::string& lastId);

// Standard input cut into lines as it arrives, in pieces of any size: a line
// ends at LF, CRLF or a lone CR. Each byte is looked at once, and a line
// longer than kLongestUnitId keeps only its first kLongestUnitId + 1 bytes
// (and what came with its end), so that one endless line costs neither
// time nor memory; its reader sees it is too long and refuses it.
class InputLines {
public:
    void Append(const char* bytes, size_t count);
    // The next whole line, without its end; none until one is complete.
    std::optional<std::string> Next();
    // At the end of input: the last line when it had no line end.
    std::optional<std::string> Rest();

private:
    std::string pending_;
    size_t scanned_ = 0;         // pending_ holds no line end before this
    bool skipLineFeed_ = false;  // the last line ended with CR: an LF next is its end too
};
