#pragma once

#include <cstddef>
#include <string>

// The receive view keeps at most this many bytes; a longer text is emptied.
constexpr size_t kLongestReceiveText = 501;

// What the result label shows after an equal comparison.
extern const char kGoodResult[];

// True when the receive text has grown past what the view keeps.
bool ReceiveTextTooLong(const std::string& receiveText);

// True when the filtered data, blanks and tabs removed, has run past the
// expected data and can no longer match: it must start again.
bool FilteredOverrunsExpected(const std::string& strippedFiltered,
                              const std::string& strippedExpected);

// kGoodResult when the two texts are equal byte for byte (case matters),
// else the empty text.
std::string CompareResult(const std::string& strippedExpected, const std::string& strippedFiltered);
