#pragma once

#include <optional>
#include <string>
#include <vector>

using Frame = std::vector<unsigned char>;

// A frame written as hex digit pairs, in groups split by blanks or tabs:
// "AA BB", "aabb" and "AABB 01" are fine; a group with an odd number of
// digits, any other character or no digits at all is not. On failure `error`
// says why.
std::optional<Frame> ParseHexFrame(const std::string& text, std::string* error = nullptr);

// "AA BB" for logging.
std::string FormatHexFrame(const Frame& frame);
