// The answer pattern: the whole answer must match, read as the window reads
// it (GBK, ASCII as it is); the named groups come back as UTF-8; a bad pattern
// is refused with its place.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Gbk.h"
#include "tools/check/core/AnswerPattern.h"

namespace {

ByteArray Bytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

// The named groups of a match as one text: "sn=00A1B2C3 vbat=3.61"; a group
// that took no part shows as "name-".
std::string GroupsOf(const PatternMatch& match) {
    std::string text;
    for (const GroupText& group : match.groups) {
        text += (text.empty() ? "" : " ") + group.name + (group.taken ? "=" + group.text : "-");
    }
    return text;
}

struct PatternCase {
    const char* name;
    std::string pattern;  // UTF-8
    std::string answer;   // bytes, GBK
    bool matched;
    std::string groups;  // as GroupsOf writes them
};

TEST(AnswerPattern, MatchesTheWholeAnswerAndGivesItsGroups) {
    const std::string snAndVolts = "SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+)";
    const PatternCase cases[] = {
        {"groups", snAndVolts, "SN=00A1B2C3 V=3.61", true, "sn=00A1B2C3 vbat=3.61"},
        {"a byte more at the end", snAndVolts, "SN=00A1B2C3 V=3.61x", false, ""},
        {"a byte more at the start", snAndVolts, " SN=00A1B2C3 V=3.61", false, ""},
        {"half an answer", snAndVolts, "SN=00A1B2C3", false, ""},
        {"the longer alternative", "a|ab", "ab", true, ""},
        {"a line end is not the end", "OK$", "OK\n", false, ""},
        {"line ends inside", "OK\\r\\nV=(?<v>\\d+)", "OK\r\nV=12", true, "v=12"},
        {"byte 0", "A\\x00B", std::string("A\0B", 3), true, ""},
        {"empty pattern, empty answer", "", "", true, ""},
        {"empty pattern, an answer", "", "x", false, ""},
        {"case folded", "(?i)ok", "OK", true, ""},
        {"comment to the end", "(?x) OK  # the answer", "OK", true, ""},
        {"quote left open", "\\QA+B", "A+B", true, ""},
        {"group left out", "V=(?<v>[0-9]+)?;", "V=;", true, "v-"},
        {"unnamed groups are not listed", "(a)(?<x>b)(c)", "abc", true, "x=b"},
        {"a name twice", "(?J)(?<v>a)|(?<v>b)", "b", true, "v=b"},
        {"Chinese answer", "温度=(?<t>-?\\d+)℃", gbk::Text("温度=-5℃"), true, "t=-5"},
        {"Chinese group as UTF-8", "(?<where>.+)=1", gbk::Text("左边=1"), true, "where=左边"},
        {"\\w is ASCII", "(?<w>\\w+)=1", gbk::Text("左边=1"), false, ""},
        {"\\w with (*UCP) in front", "(*UCP)(?<w>\\w+)=1", gbk::Text("左边=1"), true, "w=左边"},
        {"not GBK: no ordinary character", "caf\\x{E9}", "caf\xE9", false, ""},
        {"not GBK: no letter", "A\\wB",
         "A\xFF"
         "B",
         false, ""},
        {"not GBK: still any character", "A.B",
         "A\xFF"
         "B",
         true, ""},
        {"lead byte at the end", "A.", "A\xB0", true, ""},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::optional<AnswerPattern> pattern = AnswerPattern::Compile(c.pattern, error);
        ASSERT_TRUE(pattern) << error;
        const PatternMatch match = pattern->Match(Bytes(c.answer));
        EXPECT_EQ(match.matched, c.matched);
        EXPECT_EQ(GroupsOf(match), c.groups);
    }
}

TEST(AnswerPattern, ListsItsNamedGroupsAndFindsThemByName) {
    std::string error;
    const std::optional<AnswerPattern> pattern =
        AnswerPattern::Compile("(?<sn>\\w+) (x) (?<vbat>[0-9.]+)(?<temp>;-?\\d+)?", error);
    ASSERT_TRUE(pattern) << error;
    EXPECT_EQ(pattern->groupNames(), (std::vector<std::string>{"sn", "vbat", "temp"}));
    const PatternMatch match = pattern->Match(Bytes("A1 x 3.61"));
    ASSERT_TRUE(match.matched);
    ASSERT_TRUE(match.Group("vbat"));
    EXPECT_EQ(match.Group("vbat")->text, "3.61");
    ASSERT_TRUE(match.Group("temp"));
    EXPECT_FALSE(match.Group("temp")->taken);
    EXPECT_FALSE(match.Group("x"));
    EXPECT_FALSE(pattern->Match(Bytes("A1 y 3.61")).Group("sn"));
}

TEST(AnswerPattern, RefusesABadPatternWithItsPlace) {
    const struct {
        const char* pattern;
        const char* error;
    } cases[] = {
        {"SN=(?<sn>[0-9A-F]{8}", "at the end of the pattern: missing closing parenthesis"},
        {"V=[0-9", "at the end of the pattern: missing terminating ] for character class"},
        {"OK)", "character 3: unmatched closing parenthesis"},
        {"*OK", "character 1: quantifier does not follow a repeatable item"},
        {"a{2,1}", "character 6: numbers out of order in {} quantifier"},
        {"(?<1x>a)", "character 4: subpattern name must start with a non-digit"},
        {"温度=(?<t\\d+)", "character 8: syntax error in subpattern name (missing terminator?)"},
        {"OK\\", "at the end of the pattern: \\ at end of pattern"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(AnswerPattern::Compile(c.pattern, error)) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
}

}  // namespace
