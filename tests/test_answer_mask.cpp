// The answer mask: which bytes each pair lets through, how it reads back, and
// one line with the place of the first bad pair.
#include <gtest/gtest.h>

#include <string>

#include "tools/check/core/AnswerMask.h"

namespace {

ByteArray Bytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

struct MaskCase {
    const char* mask;
    std::string answer;
    const char* perByte;  // '+' where Matches() lets the byte through, '-' where not
    int firstMismatch;    // -1 for none
};

TEST(AnswerMask, MatchesByteByByte) {
    const MaskCase cases[] = {
        {"01 03 04 ?? ?? A? 5F", "\x01\x03\x04\x12\x34\xA7\x5F", "+++++++", -1},
        {"01 03 04 ?? ?? A? 5F", "\x01\x03\x04\x12\x34\xB7\x5F", "+++++-+", 5},
        {"01 03 04 ?? ?? A? 5F", "\x01\x03\x05", "++-", 2},
        {"A? A? A? A?", "\xA0\xAF\xB0\x0A", "++--", 2},
        {"?5 ?5 ?5 ?5", "\x05\xF5\x06\x50", "++--", 2},
        {"?? ??", std::string("\x00\xFF", 2), "++", -1},
        {"0103??", "\x01\x03\x7E", "+++", -1},
        {"01\t03\t \t??", std::string("\x01\x03\x00", 3), "+++", -1},
        {"a?ff ?c", "\xAB\xFF\x1C", "+++", -1},
        {"  01  ", "\x01", "+", -1},
        {"5F", "\x5E", "-", 0},
        {"5F", "\xF5", "-", 0},
        // Shorter but right so far: it may still pass.
        {"01 02 03", "\x01\x02", "++", -1},
        // A byte past the mask's end never matches.
        {"01", "\x01\x02", "+", 1},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.mask);
        std::string error;
        const std::optional<AnswerMask> mask = AnswerMask::Parse(c.mask, error);
        ASSERT_TRUE(mask) << error;
        std::string perByte;
        for (size_t i = 0; i < c.answer.size() && i < mask->size(); ++i) {
            perByte += mask->Matches(i, static_cast<unsigned char>(c.answer[i])) ? '+' : '-';
        }
        EXPECT_EQ(perByte, c.perByte);
        const std::optional<size_t> first = mask->FirstMismatch(Bytes(c.answer));
        EXPECT_EQ(first ? static_cast<int>(*first) : -1, c.firstMismatch);
    }
}

TEST(AnswerMask, ReadsBackOnePairPerByte) {
    const struct {
        const char* mask;
        size_t size;
        const char* text;
    } cases[] = {
        {"01 03 04 ?? ?? A? 5F", 7, "01 03 04 ?? ?? A? 5F"},
        {"0103??a?", 4, "01 03 ?? A?"},
        {"\t?f  00", 2, "?F 00"},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<AnswerMask> mask = AnswerMask::Parse(c.mask, error);
        ASSERT_TRUE(mask) << c.mask;
        EXPECT_EQ(mask->size(), c.size) << c.mask;
        EXPECT_EQ(mask->Text(), c.text) << c.mask;
    }
}

TEST(AnswerMask, RefusesABadMaskWithThePlaceOfItsFirstBadPair) {
    const std::string pairs =
        "a pair is two hex digits (5F), ?? for any byte, or a digit and ? (A?, ?5)";
    const struct {
        const char* mask;
        std::string error;
    } cases[] = {
        {"", "the mask is empty; give one pair per byte of the answer, e.g. \"01 03 ?? ??\""},
        {" \t ", "the mask is empty; give one pair per byte of the answer, e.g. \"01 03 ?? ??\""},
        {"01 0", "character 4: \"0\" stands alone; each byte takes a pair: " + pairs},
        {"01 0 03", "character 4: \"0\" stands alone; each byte takes a pair: " + pairs},
        {"0102030", "character 7: \"0\" stands alone; each byte takes a pair: " + pairs},
        {"?", "character 1: \"?\" stands alone; each byte takes a pair: " + pairs},
        {"01 G1 02", "character 4: \"G1\" is not a pair; " + pairs},
        {"01 1G", "character 4: \"1G\" is not a pair; " + pairs},
        {"0x01", "character 1: \"0x\" is not a pair; " + pairs},
        {"01 *", "character 4: \"*\" is not a pair; " + pairs},
        {"01 XX", "character 4: \"XX\" is not a pair; " + pairs},
        {"01\n02", "character 3: \"\\n0\" is not a pair; " + pairs},
        {"01 中", "character 4: \"中\" is not a pair; " + pairs},
        {"01 中文 02", "character 4: \"中文\" is not a pair; " + pairs},
        {"01,02", "character 3: \",0\" is not a pair; " + pairs},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(AnswerMask::Parse(c.mask, error)) << c.mask;
        EXPECT_EQ(error, c.error) << c.mask;
    }
}

}  // namespace
