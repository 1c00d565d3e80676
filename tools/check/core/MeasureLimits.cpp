#include "tools/check/core/MeasureLimits.h"

#include <cmath>

#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// One end of the range: empty text for an open end.
bool ReadLimit(const std::string& text, const char* which, std::optional<Limit>& limit,
               std::string& error) {
    if (text.empty()) {
        return true;
    }
    const std::optional<double> value = ReadNumber(text);
    if (!value) {
        error = "the " + std::string(which) + " limit '" + text +
                "' is not a number (e.g. 3.0, -40, 1e-3)";
        if (std::string(which) == "high") {
            error += "; a unit goes after a blank: 3.0..4.2 V";
        }
        return false;
    }
    limit = Limit{*value, text};
    return true;
}

}  // namespace

Limit LimitOf(double value) {
    return Limit{value, FormatNumber(value)};
}

std::string LimitsError(const MeasureLimits& measure) {
    if (measure.low && measure.high && measure.low->value > measure.high->value) {
        return "the low limit " + measure.low->text + " is above the high limit " +
               measure.high->text;
    }
    return std::string();
}

std::optional<MeasureLimits> ParseMeasure(const std::string& text, std::string& error) {
    static const std::string kForm =
        "give NAME=LOW..HIGH [UNIT], e.g. vbat=3.0..4.2 V; either limit may be left out "
        "(..4.2, 3.0.., ..)";
    const std::optional<NamedText> named = ReadNamedText(text, kForm, error);
    if (!named) {
        return std::nullopt;
    }
    MeasureLimits measure;
    measure.name = named->name;
    const std::string rest = TrimBlanks(named->text);
    const size_t blank = rest.find_first_of(" \t");
    const std::string range = rest.substr(0, blank);
    if (blank != std::string::npos) {
        measure.unit = ToUtf8(TrimBlanks(rest.substr(blank)));
    }
    if (range.empty()) {
        error = "no limits after '='; " + kForm;
        return std::nullopt;
    }
    const size_t dots = range.find("..");
    if (dots == std::string::npos) {
        error = "'" + range + "' is not a range LOW..HIGH; " + kForm;
        return std::nullopt;
    }
    if (!ReadLimit(range.substr(0, dots), "low", measure.low, error) ||
        !ReadLimit(range.substr(dots + 2), "high", measure.high, error)) {
        return std::nullopt;
    }
    error = LimitsError(measure);
    if (!error.empty()) {
        return std::nullopt;
    }
    return measure;
}

MeasuredValue JudgeNumber(const MeasureLimits& measure, double number) {
    MeasuredValue judged;
    if (!std::isfinite(number)) {
        judged.reason = measure.name + " " + FormatNumber(number) + " is not a number";
        return judged;
    }
    judged.number = number;
    if (measure.low && number < measure.low->value) {
        judged.reason = measure.name + " " + FormatNumber(number) + " below " + measure.low->text;
    } else if (measure.high && number > measure.high->value) {
        judged.reason = measure.name + " " + FormatNumber(number) + " above " + measure.high->text;
    }
    return judged;
}

MeasuredValue JudgeText(const MeasureLimits& measure, const std::string& text) {
    const std::optional<double> number = ReadNumber(text);
    if (!number) {
        MeasuredValue judged;
        judged.reason = measure.name + " " + QuotedForTerminal(text) + " is not a number";
        return judged;
    }
    return JudgeNumber(measure, *number);
}
