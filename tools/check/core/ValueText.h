#pragma once

#include <optional>
#include <string>

// How the values read from answers are spelt: their names, and their numbers
// read and written the same way whatever the locale.

// The text without the blanks and tabs around it, as the parts of a value's
// option are read.
std::string TrimBlanks(const std::string& text);

// Empty when `name` may name a value (a field, a measure, a capture, a
// pattern's group, a log column): a letter or '_' first, then letters, digits
// or '_', at most 64 in all, ASCII. Else why not, in one line.
std::string ValueNameError(const std::string& name);

// NAME=TEXT as the command line gives a field or a measure.
struct NamedText {
    std::string name;  // blanks and tabs around it dropped
    std::string text;  // all after the first '=', as given
};

// The name and the text of NAME=TEXT; nothing, with `error` set to one line,
// when there is no '=' (the line then ends with `form`, how to write it) or
// the name is no value name (ValueNameError).
std::optional<NamedText> ReadNamedText(const std::string& text, const std::string& form,
                                       std::string& error);

// A number as a value's text or a limit gives it: an optional sign, decimal
// digits with an optional fraction ("3", "-0.5", ".5", "3."), an optional
// exponent ("1e-3", "2E+4"), blanks or tabs around it. Nothing for any other
// text: no hex, no inf or nan, no thousands separator, no decimal comma, and
// nothing beyond the range of a double.
std::optional<double> ReadNumber(const std::string& text);

// The shortest text that reads back as the same double: up to 15 significant
// digits when they suffice, else 16 or 17. '.' as the decimal point whatever
// the locale, an exponent only for very large or small numbers: "4.31",
// "-40", "0.001", "1e-07", "1.5e+20". Not finite numbers give "nan", "inf" or
// "-inf", which no record should carry.
std::string FormatNumber(double value);

// A number with one decimal, "12.3", whatever the locale; negative or
// not finite numbers give "0.0".
std::string FormatOneDecimal(double ms);

// Milliseconds with the digits that mean something: three decimals under
// 1 ms ("0.042"), two under 10 ms ("2.35"), else one ("12.3").
std::string FormatMs(double ms);
