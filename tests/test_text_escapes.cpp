// Backslash escapes as an option such as --end reads them.
#include <gtest/gtest.h>

#include <string>

#include "tools/check/core/TextEscapes.h"

namespace {

TEST(TextEscapes, ReadsTheFiveEscapesAndRefusesAnyOtherWithItsPlace) {
    const std::string allowed = "; the escapes are \\r \\n \\t \\\\ and \\xHH";
    const struct {
        const char* text;
        std::string read;  // the bytes, or the error
    } cases[] = {
        {"\\r\\n", "\r\n"},
        {"OK\\x00", std::string("OK\0", 3)},
        {"\\x0d\\xFF", "\r\xFF"},
        {"\\t\\\\n", "\t\\n"},
        {"温度\\n", "温度\n"},
        {"OK\\0", "character 3: \\0 is not an escape" + allowed},
        {"温度\\é", "character 3: \\é is not an escape" + allowed},
        {"ab\\", "character 3: a backslash at the end escapes nothing" + allowed},
        {"a\\\n", "character 2: a backslash before byte 0x0A is not an escape" + allowed},
        {"\\r\\x4", "character 3: \\x4 needs two hex digits, as in \\x0D"},
        {"\\x\n1", "character 1: \\x needs two hex digits, as in \\x0D"},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<std::string> bytes = ReadBackslashEscapes(c.text, error);
        EXPECT_EQ(bytes ? *bytes : error, c.read) << c.text;
    }
}

}  // namespace
