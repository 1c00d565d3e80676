// The answer mask: any text, never a crash, and the mask a plain reading of
// the rules gives: the text split at blanks and tabs into words, each word cut
// into pairs, a pair two hex digits or '?'; the first bad pair or lone last
// character is where the parse stops. A parsed mask reads back from its own
// text. The same text also goes to the field, measure, number and escape
// readers, which must not crash and must keep their promises.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "tools/check/core/AnswerField.h"
#include "tools/check/core/AnswerMask.h"
#include "tools/check/core/MeasureLimits.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// The nibble's value by its place in the list of digits, -2 for '?', -1 for
// anything else.
int NibbleOf(char c) {
    static const char kDigits[] = "0123456789abcdef0123456789ABCDEF";
    if (c == '?') {
        return -2;
    }
    const char* at = c == '\0' ? nullptr : std::strchr(kDigits, c);
    return at ? static_cast<int>(at - kDigits) % 16 : -1;
}

struct Reading {
    std::vector<std::string> pairs;  // on success
    size_t badAt = 0;                // 0-based; meaningful when !ok
    bool lone = false;               // a digit or '?' alone, else a bad pair
    bool empty = false;              // no pair and nothing bad
    bool ok = false;
};

Reading ReferenceReading(const std::string& text) {
    Reading reading;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
            continue;
        }
        const size_t end = text.find_first_of(" \t", at);
        const std::string word = text.substr(at, end == std::string::npos ? end : end - at);
        for (size_t i = 0; i < word.size(); i += 2) {
            if (i + 1 == word.size()) {
                reading.badAt = at + i;
                reading.lone = NibbleOf(word[i]) != -1;
                return reading;
            }
            if (NibbleOf(word[i]) == -1 || NibbleOf(word[i + 1]) == -1) {
                reading.badAt = at + i;
                return reading;
            }
            reading.pairs.push_back(word.substr(i, 2));
        }
        at += word.size();
    }
    reading.empty = reading.pairs.empty();
    reading.ok = !reading.empty;
    return reading;
}

bool ReferenceMatches(const std::string& pair, unsigned char byte) {
    const int high = NibbleOf(pair[0]);
    const int low = NibbleOf(pair[1]);
    return (high == -2 || high == byte >> 4) && (low == -2 || low == (byte & 0x0F));
}

void CheckMask(const std::string& text) {
    std::string error;
    const std::optional<AnswerMask> mask = AnswerMask::Parse(text, error);
    const Reading reading = ReferenceReading(text);
    Require(mask.has_value() == reading.ok);
    if (!mask) {
        const std::string where = "character " + std::to_string(reading.badAt + 1) + ": ";
        const bool empty = reading.empty && error.find("empty") != std::string::npos;
        const bool placed =
            error.compare(0, where.size(), where) == 0 &&
            error.find(reading.lone ? "stands alone" : "is not a pair") != std::string::npos;
        Require(empty || placed);
        Require(error.find('\n') == std::string::npos);
        return;
    }
    Require(mask->size() == reading.pairs.size());
    std::string again;
    const std::optional<AnswerMask> back = AnswerMask::Parse(mask->Text(), again);
    Require(back && back->size() == mask->size());
    ByteArray answer;
    for (size_t i = 0; i < mask->size() && i < 16; ++i) {
        for (int byte = 0; byte < 256; ++byte) {
            const auto b = static_cast<unsigned char>(byte);
            const bool expected = ReferenceMatches(reading.pairs[i], b);
            Require(mask->Matches(i, b) == expected && back->Matches(i, b) == expected);
        }
        answer.push_back(static_cast<unsigned char>(text[i % text.size()]));
    }
    std::optional<size_t> first;
    for (size_t i = 0; i < answer.size() && !first; ++i) {
        if (!ReferenceMatches(reading.pairs[i], answer[i])) {
            first = i;
        }
    }
    Require(mask->FirstMismatch(answer) == first);
}

void CheckOtherReaders(const std::string& text) {
    std::string error;
    if (const std::optional<AnswerField> field = ParseAnswerField(text, error)) {
        const std::optional<double> value =
            DecodeField(*field, ByteArray(text.begin(), text.end()));
        Require(FieldError(*field).empty() && !(value && std::isnan(*value)));
    }
    if (const std::optional<MeasureLimits> measure = ParseMeasure(text, error)) {
        Require(LimitsError(*measure).empty() && ValueNameError(measure->name).empty());
        JudgeText(*measure, text);
    }
    if (const std::optional<double> number = ReadNumber(text)) {
        Require(std::isfinite(*number) && ReadNumber(FormatNumber(*number)) == *number);
    }
    if (const std::optional<std::string> bytes = ReadBackslashEscapes(text, error)) {
        Require(bytes->size() <= text.size());
    } else {
        Require(error.find('\n') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckMask(text);
    CheckOtherReaders(text);
    return 0;
}
