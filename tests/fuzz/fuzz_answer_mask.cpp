// The answer mask, from any text: the mask a plain reading of the rules gives
// (words split at blanks and tabs, cut into pairs of hex digits or '?'; the
// parse stops at the first bad pair or lone last character), and one that
// reads back from its own text. The field, measure, number and escape readers
// get the same text, never crash, and keep their promises.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "tools/check/core/AnswerField.h"
#include "tools/check/core/AnswerMask.h"
#include "tools/check/core/MeasureLimits.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// A nibble's value, -2 for '?', -1 for anything else.
int NibbleOf(char c) {
    static const char kDigits[] = "0123456789abcdef0123456789ABCDEF";
    const char* at = c == '\0' ? nullptr : std::strchr(kDigits, c);
    return c == '?' ? -2 : at ? static_cast<int>(at - kDigits) % 16 : -1;
}

bool ReferenceMatches(const std::string& pair, unsigned char byte) {
    const int high = NibbleOf(pair[0]), low = NibbleOf(pair[1]);
    return (high == -2 || high == byte >> 4) && (low == -2 || low == (byte & 0x0F));
}

struct Reading {
    std::vector<std::string> pairs;
    std::optional<size_t> badAt;  // 0-based
    bool lone = false;            // a digit or '?' alone, else a bad pair
};

Reading ReferenceReading(const std::string& text) {
    Reading reading;
    for (size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
            continue;
        }
        const size_t end = std::min(text.find_first_of(" \t", at), text.size());
        for (; at < end; at += 2) {
            if (at + 1 == end || NibbleOf(text[at]) == -1 || NibbleOf(text[at + 1]) == -1) {
                reading.badAt = at;
                reading.lone = at + 1 == end && NibbleOf(text[at]) != -1;
                return reading;
            }
            reading.pairs.push_back(text.substr(at, 2));
        }
    }
    return reading;
}

void CheckMask(const std::string& text) {
    std::string error;
    const std::optional<AnswerMask> mask = AnswerMask::Parse(text, error);
    const Reading reading = ReferenceReading(text);
    Require(mask.has_value() == (!reading.badAt && !reading.pairs.empty()));
    if (!mask) {
        const std::string where = reading.badAt
                                      ? "character " + std::to_string(*reading.badAt + 1) + ": "
                                      : "the mask is empty";
        const char* what = !reading.badAt ? "" : reading.lone ? "stands alone" : "is not a pair";
        Require(error.rfind(where, 0) == 0 && error.find(what) != std::string::npos &&
                error.find('\n') == std::string::npos);
        return;
    }
    std::string again;
    const std::optional<AnswerMask> back = AnswerMask::Parse(mask->Text(), again);
    Require(mask->size() == reading.pairs.size() && back && back->size() == mask->size());
    ByteArray answer;
    std::optional<size_t> first;
    for (size_t i = 0; i < mask->size() && i < 16; ++i) {
        for (int byte = 0; byte < 256; ++byte) {
            const auto b = static_cast<unsigned char>(byte);
            const bool expected = ReferenceMatches(reading.pairs[i], b);
            Require(mask->Matches(i, b) == expected && back->Matches(i, b) == expected);
        }
        answer.push_back(static_cast<unsigned char>(text[i % text.size()]));
        if (!first && !ReferenceMatches(reading.pairs[i], answer.back())) {
            first = i;
        }
    }
    Require(mask->FirstMismatch(answer) == first);
}

void CheckOtherReaders(const std::string& text) {
    std::string error;
    if (const std::optional<AnswerField> field = ParseAnswerField(text, error)) {
        Require(FieldError(*field).empty());
        DecodeField(*field, ByteArray(text.begin(), text.end()));
    }
    if (const std::optional<MeasureLimits> measure = ParseMeasure(text, error)) {
        Require(LimitsError(*measure).empty() && ValueNameError(measure->name).empty());
        JudgeText(*measure, text);
    }
    if (const std::optional<double> number = ReadNumber(text)) {
        Require(std::isfinite(*number) && ReadNumber(FormatNumber(*number)) == *number);
    }
    ReadBackslashEscapes(text, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckMask(text);
    CheckOtherReaders(text);
    return 0;
}
