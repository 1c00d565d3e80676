// The answer mask: which bytes each pair lets through, and one line with the
// place of the first bad pair.
#include <gtest/gtest.h>

#include <string>

#include "tools/check/core/AnswerMask.h"

namespace {

TEST(AnswerMask, MatchesByteByByte) {
    const struct {
        const char* mask;
        std::string answer;
        const char* perByte;  // '+' where Matches() lets the byte through, '-' where not
        int firstMismatch;    // -1 for none
    } cases[] = {
        {"01 03 04 ?? ?? A? 5F", "\x01\x03\x04\x12\x34\xA7\x5F", "+++++++", -1},
        {"01 03 04 ?? ?? A? 5F", "\x01\x03\x04\x12\x34\xB7\x5F", "+++++-+", 5},
        {"A? A? A? A?", "\xA0\xAF\xB0\x0A", "++--", 2},
        {"?5 ?5 ?5 ?5", "\x05\xF5\x06\x50", "++--", 2},
        {"0103\t \t??a?", "\x01\x03\x7E\xAB", "++++", -1},
        {"01 02 03", "\x01\x02", "++", -1},  // shorter, right so far: may yet pass
        {"01", "\x01\x02", "+", 1},          // a byte past the mask never matches
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        std::string error;
        const std::optional<AnswerMask> mask = AnswerMask::Parse(c.mask, error);
        ASSERT_TRUE(mask) << error;
        std::string perByte;
        for (size_t i = 0; i < c.answer.size() && i < mask->size(); ++i) {
            perByte += mask->Matches(i, static_cast<unsigned char>(c.answer[i])) ? '+' : '-';
        }
        EXPECT_EQ(perByte, c.perByte);
        const std::optional<size_t> first =
            mask->FirstMismatch(ByteArray(c.answer.begin(), c.answer.end()));
        EXPECT_EQ(first ? static_cast<int>(*first) : -1, c.firstMismatch);
    }
    std::string error;
    EXPECT_EQ(AnswerMask::Parse("\t0103??a?  ?f", error).value().Text(), "01 03 ?? A? ?F");
}

TEST(AnswerMask, RefusesABadMaskWithThePlaceOfItsFirstBadPair) {
    const std::string pairs =
        "a pair is two hex digits (5F), ?? for any byte, or a digit and ? (A?, ?5)";
    const std::string alone = " stands alone; each byte takes a pair: " + pairs;
    const struct {
        const char* mask;
        std::string error;
    } cases[] = {
        {"", "the mask is empty; give one pair per byte of the answer, e.g. \"01 03 ?? ??\""},
        {"01 0", "character 4: \"0\"" + alone},
        {"?", "character 1: \"?\"" + alone},
        {"01 G1 02", "character 4: \"G1\" is not a pair; " + pairs},
        {"01\n02", "character 3: \"\\n0\" is not a pair; " + pairs},
        {"01 中文 02", "character 4: \"中文\" is not a pair; " + pairs},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(AnswerMask::Parse(c.mask, error)) << c.mask;
        EXPECT_EQ(error, c.error) << c.mask;
    }
}

}  // namespace
