// The check program's verdict of one unit, byte by byte, against the window's
// own formatting and blank removal applied to everything received so far.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "platform/text/Gbk.h"
#include "tools/check/core/ExpectedText.h"

namespace {

struct JudgeCase {
    const char* name;
    std::string expected;
    bool hex;
    std::string bytes;  // fed one at a time
    Verdict verdict;
    size_t taken;  // bytes taken until the verdict (all of them when undecided)
};

TEST(ExpectedText, DecidesAtTheByteThatSettlesIt) {
    const std::string zhong = gbk::Text("中");  // D6 D0
    const JudgeCase cases[] = {
        {"hex frame", "AA BB", true, "\xAA\xBB", Verdict::Pass, 2},
        {"hex wrong byte", "AA BB", true, "\xAA\xBC", Verdict::Fail, 2},
        {"hex wrong first byte", "AABB", true, "\x01\xBB", Verdict::Fail, 1},
        {"hex more than expected", "AA", true, "\xAA\xBB", Verdict::Pass, 1},
        {"hex half a frame", "AA BB", true, "\xAA", Verdict::Undecided, 1},
        {"hex lower-case reference", "aa", true, "\xAA", Verdict::Fail, 1},
        {"characters", "OK", false, "OK", Verdict::Pass, 2},
        {"blanks and tabs on both sides", "O K\t", false, " O\tK", Verdict::Pass, 4},
        {"byte 0 shows as nothing", "OK", false, std::string("O\0K", 3), Verdict::Pass, 3},
        {"case matters", "ok", false, "OK", Verdict::Fail, 1},
        {"line breaks count", "OK\r\n", false, "OK\n", Verdict::Fail, 3},
        {"Chinese", zhong, false, zhong, Verdict::Pass, 2},
        {"lead byte last, not a prefix", "AB", false, "A\xB0", Verdict::Fail, 2},
        {"lead byte last, blank after it kept", "A\xB0 ", false, "A\xB0 ", Verdict::Pass, 3},
        {"blank after a lead byte is no blank", "\xB0 A", false,
         "\xB0"
         "A",
         Verdict::Fail, 2},
        {"even run of lead bytes, blank removed", "A\xB0\xB0 B", false, "A\xB0\xB0 B",
         Verdict::Pass, 5},
        {"odd run of lead bytes, blank kept", "A\xB0\xB0\xB0 B", false,
         "A\xB0\xB0\xB0"
         "B",
         Verdict::Fail, 5},
        {"0xFF is no lead byte",
         "A\xFF"
         "B",
         false, "A\xFF B", Verdict::Pass, 4},
    };
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectedText judge(c.expected, c.hex);
        for (char byte : c.bytes) {
            judge.Feed(static_cast<unsigned char>(byte));
        }
        EXPECT_EQ(judge.verdict(), c.verdict);
        EXPECT_EQ(judge.received(), ByteArray(c.bytes.begin(), c.bytes.begin() + c.taken));
        if (c.verdict == Verdict::Undecided) {
            EXPECT_FALSE(judge.decidingByte());
        } else {
            EXPECT_EQ(judge.decidingByte(), c.taken - 1);
        }
    }
}

// What the window's own functions say of everything received so far.
Verdict Oracle(const std::string& strippedExpected, const std::string& collected) {
    std::string stripped = collected;
    RemoveBlanksAndTabs(stripped);
    if (stripped == strippedExpected) {
        return Verdict::Pass;
    }
    return strippedExpected.compare(0, stripped.size(), stripped) == 0 &&
                   stripped.size() <= strippedExpected.size()
               ? Verdict::Undecided
               : Verdict::Fail;
}

// Random texts of blanks, tabs, letters, GBK lead and trail bytes, 0 and 0xFF:
// the judge agrees with the oracle after every byte, and a FAIL is final,
// whatever bytes follow.
TEST(ExpectedText, AgreesWithTheWindowsFunctionsOnEveryPrefix) {
    const char kAlphabet[] = "  \t\tAB\xB0\xB0\xD6\xD0\x40\xFF\0\x81";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    std::mt19937 random(20240501);
    auto text = [&](size_t length) {
        std::string t;
        for (size_t i = 0; i < length; ++i) {
            t += alphabet[random() % alphabet.size()];
        }
        return t;
    };
    for (int round = 0; round < 4000; ++round) {
        const bool hex = round % 4 == 0;
        std::string expected =
            hex ? "B0 4" + std::string(1, "0AF"[round % 3]) : text(1 + random() % 6);
        std::string strippedExpected = expected;
        RemoveBlanksAndTabs(strippedExpected);
        if (strippedExpected.empty()) {
            continue;
        }
        // Half the time the answer starts with the expected text itself.
        std::string bytes = (round % 2 ? expected : std::string()) + text(random() % 8);
        if (hex) {
            bytes = std::string("\xB0\x40", random() % 3) + text(random() % 3);
        }
        SCOPED_TRACE(testing::PrintToString(expected) + " <- " + testing::PrintToString(bytes));
        ExpectedText judge(expected, hex);
        std::string collected;
        for (char byte : bytes) {
            collected += ByteText(static_cast<unsigned char>(byte), hex);
            const Verdict v = judge.Feed(static_cast<unsigned char>(byte));
            ASSERT_EQ(v, Oracle(strippedExpected, collected));
            ASSERT_EQ(judge.collectedText(), collected);
            if (v == Verdict::Fail) {
                for (int more = 0; more < 5; ++more) {
                    std::string later = collected;
                    for (char b : text(1 + random() % 4)) {
                        later += ByteText(static_cast<unsigned char>(b), hex);
                    }
                    ASSERT_EQ(Oracle(strippedExpected, later), Verdict::Fail) << later;
                }
            }
            if (v != Verdict::Undecided) {
                break;
            }
        }
    }
}

TEST(ExpectedText, ExpectedTextsThatCanNeverFailOrNeverPass) {
    struct Case {
        std::string expected;
        bool hex;
        bool neverFails;
        const char* unreachable;  // nullptr: every piece reachable
    };
    const Case cases[] = {
        {"", false, true, nullptr},
        {" \t ", true, true, nullptr},
        {"OK", false, false, nullptr},
        {"aa bb", false, false, nullptr},  // characters: any text can arrive
        {"AA BB", true, false, nullptr},
        {"A A B B", true, false, nullptr},
        {"AA bb", true, false, "bb"},
        {"AA B", true, false, "B"},
        {"0x12", true, false, "0x"},
        {gbk::Text("中"), true, false, "\xD6\xD0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ExpectedCanNeverFail(c.expected), c.neverFails);
        const std::optional<std::string> piece = UnreachableExpectedPiece(c.expected, c.hex);
        if (c.unreachable) {
            EXPECT_EQ(piece, std::string(c.unreachable));
        } else {
            EXPECT_FALSE(piece);
        }
    }
}

}  // namespace
