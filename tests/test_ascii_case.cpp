#include <gtest/gtest.h>

#include "platform/text/AsciiCase.h"

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

struct Order {
    std::string a;
    std::string b;
    int sign;
};

TEST(AsciiCase, OrdersWithOnlyAsciiLettersFolded) {
    const Order cases[] = {
        {"COM2", "com2", 0},
        {"even", "EVEN", 0},
        {"a", "B", -1},
        {"", "a", -1},
        {"ab", "A", 1},
        // Letters fold down: 'Z' becomes 'z', which sorts after '[' and '_'.
        {"Z", "[", 1},
        {"z", "_", 1},
        {"@", "`", -1},
        // Bytes from 0x80 count as unsigned and never fold, as in GBK texts.
        {"\xC1", "a", 1},
        {"\xC1", "\xE1", -1},
        {"\xB0\xA1", "\xB0\xA1", 0},
    };
    for (const Order& c : cases) {
        EXPECT_EQ(Sign(ascii::CompareNoCase(c.a, c.b)), c.sign)
            << '"' << c.a << "\" \"" << c.b << '"';
        EXPECT_EQ(Sign(ascii::CompareNoCase(c.b, c.a)), -c.sign)
            << '"' << c.b << "\" \"" << c.a << '"';
    }
}

}  // namespace
