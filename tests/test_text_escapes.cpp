// Backslash escapes as an option such as --end reads them.
#include <gtest/gtest.h>

#include <string>

#include "tools/check/core/TextEscapes.h"

namespace {

TEST(TextEscapes, ReadsTheFiveEscapesAndLeavesEverythingElse) {
    const struct {
        const char* text;
        std::string bytes;
    } cases[] = {
        {"\\r\\n", "\r\n"},
        {"OK\\x00", std::string("OK\0", 3)},
        {"\\x0d\\x0A", "\r\n"},
        {"\\t\\\\", "\t\\"},
        {"\\\\n", "\\n"},
        {"\\xff", "\xFF"},
        {"plain text", "plain text"},
        {"", ""},
        {"温度\\n", "温度\n"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(ReadBackslashEscapes(c.text, error), c.bytes) << c.text;
    }
}

TEST(TextEscapes, RefusesAnyOtherEscapeWithItsPlace) {
    const std::string allowed = "; the escapes are \\r \\n \\t \\\\ and \\xHH";
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {"\\q", "character 1: \\q is not an escape" + allowed},
        {"\\0", "character 1: \\0 is not an escape" + allowed},
        {"OK\\R", "character 3: \\R is not an escape" + allowed},
        {"温度\\e", "character 3: \\e is not an escape" + allowed},
        {"\\é", "character 1: \\é is not an escape" + allowed},
        {"ab\\", "character 3: a backslash at the end escapes nothing" + allowed},
        {"a\\\n", "character 2: a backslash before byte 0x0A is not an escape" + allowed},
        {"\\x4", "character 1: \\x4 needs two hex digits, as in \\x0D"},
        {"\\xG1", "character 1: \\xG1 needs two hex digits, as in \\x0D"},
        {"\\r\\x", "character 3: \\x needs two hex digits, as in \\x0D"},
        {"\\x\n1", "character 1: \\x needs two hex digits, as in \\x0D"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ReadBackslashEscapes(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

}  // namespace
