#include <gtest/gtest.h>

#include "platform/text/IntegerText.h"

namespace {

struct Case {
    std::string text;
    std::optional<int32_t> value;
};

TEST(IntegerText, ReadsWhatTheFieldHolds) {
    const Case cases[] = {
        {"500", 500},
        {" 42 ", 42},
        {"\t42\t", 42},
        {"0", 0},
        {"-7", -7},
        {"+7", 7},
        {"007", 7},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"12ab", std::nullopt},
        {"12 3", std::nullopt},
        {"+0", std::nullopt},
        {"-0", std::nullopt},
        {"0x10", std::nullopt},
        {"-", std::nullopt},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"2147483648", INT32_MAX},
        // Only the first 31 characters count: what follows is never seen.
        {std::string(29, ' ') + "42x", 42},
        {std::string(28, ' ') + "42x", std::nullopt},
        {std::string(40, '9'), INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(integer_text::Parse(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerText, FormatsAsDecimal) {
    EXPECT_EQ(integer_text::Format(0), "0");
    EXPECT_EQ(integer_text::Format(-5), "-5");
    EXPECT_EQ(integer_text::Format(INT32_MIN), "-2147483648");
}

}  // namespace
