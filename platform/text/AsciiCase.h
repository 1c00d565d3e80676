#pragma once

#include <string>

// Case folding over byte texts. Only 'A' to 'Z' fold: GBK bytes and every other
// byte stay as they are, whatever the locale.
namespace ascii {

inline char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Orders two texts byte by byte as unsigned values, letters folded; a text
// that is the start of the other comes first. Negative, zero or positive.
int CompareNoCase(const std::string& a, const std::string& b);

}  // namespace ascii
