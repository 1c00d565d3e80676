#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Integer fields of a dialog: the text the exchange writes, and its reading of
// what the operator typed.
namespace integer_text {

// Only this many leading characters of a field are looked at.
constexpr size_t kMaxChars = 31;

// "%d": decimal with a minus sign for negative values.
std::string Format(int32_t value);

// Blanks and tabs around one base-10 integer with an optional sign; values
// beyond 32 bits become the nearest limit. Nothing when the text is not an
// integer, including "", "+0" and "-0" (a zero must be spelled "0").
std::optional<int32_t> Parse(const std::string& text);

}  // namespace integer_text
