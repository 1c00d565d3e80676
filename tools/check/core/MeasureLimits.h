#pragma once

#include <optional>
#include <string>

// A measured value and its limits: 'vbat=3.0..4.2 V'. Either end may be open
// ("..4.2", "3.0..", even ".." when the value only has to be a number); the
// limits are inclusive.

// One end of the range: its number, and its text as written, so that a
// reason quotes the limit the way its author wrote it ("3.0", not "3").
struct Limit {
    double value = 0;
    std::string text;
};

// A limit that a plan file gives as a number: its text is FormatNumber's.
Limit LimitOf(double value);

struct MeasureLimits {
    std::string name;  // a value name (ValueNameError)
    std::optional<Limit> low;
    std::optional<Limit> high;
    std::string unit;  // UTF-8, may be empty: "V", "°C"
};

// Empty when low is not above high (or an end is open), else why in one line.
std::string LimitsError(const MeasureLimits& measure);

// A measure as the command line gives it: NAME=LOW..HIGH [UNIT], the unit
// being any text after a blank. Nothing, with `error` set to one line, when
// the name, a limit or the range is wrong.
std::optional<MeasureLimits> ParseMeasure(const std::string& text, std::string& error);

// A value judged against its measure's limits.
struct MeasuredValue {
    std::optional<double> number;  // none when the text was not a number
    std::string reason;            // empty when within the limits:
                                   // "vbat 4.31 above 4.2", "vbat 2.9 below 3.0",
                                   // "vbat \"3,61\" is not a number"
};

// A number, e.g. a field's value. A number that is not finite is no number.
MeasuredValue JudgeNumber(const MeasureLimits& measure, double number);

// A text, e.g. a pattern's group, read with ReadNumber.
MeasuredValue JudgeText(const MeasureLimits& measure, const std::string& text);
