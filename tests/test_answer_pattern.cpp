// The answer pattern: the whole answer must match, read as the window reads
// it (GBK, ASCII as it is); the named groups come back as UTF-8; a bad pattern
// is refused with its place.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Gbk.h"
#include "tools/check/core/AnswerPattern.h"

namespace {

// The named groups of a match as one text: "sn=00A1B2C3 vbat=3.61"; a group
// that took no part shows as "name-".
std::string GroupsOf(const PatternMatch& match) {
    std::string text;
    for (const GroupText& group : match.groups) {
        text += (text.empty() ? "" : " ") + group.name + (group.taken ? "=" + group.text : "-");
    }
    return text;
}

TEST(AnswerPattern, MatchesTheWholeAnswerAndGivesItsGroups) {
    const std::string snAndVolts = "SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+)";
    const struct {
        const char* name;
        std::string pattern;  // UTF-8
        std::string answer;   // bytes, GBK
        bool matched;
        std::string groups;  // as GroupsOf writes them
    } cases[] = {
        {"groups", snAndVolts, "SN=00A1B2C3 V=3.61", true, "sn=00A1B2C3 vbat=3.61"},
        {"a byte more at the end", snAndVolts, "SN=00A1B2C3 V=3.61x", false, ""},
        {"the longer alternative", "a|ab", "ab", true, ""},
        {"a line end is not the end", "OK$", "OK\n", false, ""},
        {"byte 0", "A\\x00B", std::string("A\0B", 3), true, ""},
        {"group left out", "V=(?<v>[0-9]+)?;(x)(?<w>y)", "V=;xy", true, "v- w=y"},
        {"comment left open", "(?x) OK  # the answer", "OK", true, ""},
        {"quote left open", "\\QA+B", "A+B", true, ""},
        {"Chinese", "温度=(?<t>-?\\d+)℃ (?<w>.+)", gbk::Text("温度=-5℃ 左边"), true, "t=-5 w=左边"},
        {"\\w is ASCII", "(?<w>\\w+)", gbk::Text("左边"), false, ""},
        {"(*UCP) stays in front", "(*UCP)(?<w>\\w+)", gbk::Text("左边"), true, "w=左边"},
        {"not GBK: no ordinary character", "caf\\x{E9}", "caf\xE9", false, ""},
        {"not GBK: still any character", "A.B", std::string("A\xFF") + "B", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::optional<AnswerPattern> pattern = AnswerPattern::Compile(c.pattern, error);
        ASSERT_TRUE(pattern) << error;
        const PatternMatch match = pattern->Match(ByteArray(c.answer.begin(), c.answer.end()));
        EXPECT_EQ(match.matched, c.matched);
        EXPECT_EQ(GroupsOf(match), c.groups);
    }
}

TEST(AnswerPattern, ListsItsNamedGroupsAndFindsThemByName) {
    std::string error;
    const std::optional<AnswerPattern> pattern =
        AnswerPattern::Compile("(?<sn>.) (x) (?<v>.)", error);
    ASSERT_TRUE(pattern) << error;
    EXPECT_EQ(pattern->groupNames(), (std::vector<std::string>{"sn", "v"}));
    const PatternMatch match = pattern->Match(ByteArray{'A', ' ', 'x', ' ', '3'});
    ASSERT_TRUE(match.Group("v"));
    EXPECT_EQ(match.Group("v")->text, "3");
    EXPECT_FALSE(match.Group("x"));
}

TEST(AnswerPattern, RefusesABadPatternWithItsPlace) {
    const struct {
        const char* pattern;
        const char* error;
    } cases[] = {
        {"SN=(?<sn>[0-9A-F]{8}", "at the end of the pattern: missing closing parenthesis"},
        {"*OK", "character 1: quantifier does not follow a repeatable item"},
        {"温度=(?<t\\d+)", "character 8: syntax error in subpattern name (missing terminator?)"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(AnswerPattern::Compile(c.pattern, error)) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
}

}  // namespace
