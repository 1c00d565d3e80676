#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "analysis/Comparison.h"
#include "analysis/ReceiveBatch.h"
#include "platform/text/Gbk.h"

namespace {

TEST(ByteText, FormsOfOneByte) {
    struct Case {
        unsigned char byte;
        bool hex;
        std::string text;
    };
    const Case cases[] = {{0x00, true, "00 "},  {0x0A, true, "0A "}, {0xFF, true, "FF "},
                          {0xAB, true, "AB "},  {0x00, false, ""},   {0x41, false, "A"},
                          {0x0A, false, "\n"},  {0x20, false, " "},  {0xFF, false, "\xFF"},
                          {0x80, false, "\x80"}};
    for (const Case& c : cases) {
        EXPECT_EQ(ByteText(c.byte, c.hex), c.text) << int(c.byte) << (c.hex ? " hex" : " char");
    }
}

TEST(ByteText, HexFormReadsBackAsTheByte) {
    for (int b = 0; b < 256; ++b) {
        const std::string text = ByteText(static_cast<unsigned char>(b), true);
        ASSERT_EQ(text.size(), 3u) << b;
        EXPECT_EQ(text[2], ' ') << b;
        EXPECT_EQ(std::stoi(text.substr(0, 2), nullptr, 16), b);
        EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos) << "upper case only: " << text;
    }
}

TEST(BlankFilter, RemovesBlanksAndTabsButNeverATrailByte) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"hex pairs", "AA BB ", "AABB"},
        {"anywhere", " A\tA  B B\t", "AABB"},
        {"only blanks and tabs", " \t \t", ""},
        {"empty", "", ""},
        {"line breaks stay", "OK\r\n next", "OK\r\nnext"},
        {"Chinese text", gbk::Text("中 文\t字"), gbk::Text("中文字")},
        {"blank after a lead byte is its trail", "\x81 ", "\x81 "},
        {"tab after a lead byte is its trail", "\xB0\tx", "\xB0\tx"},
        {"blank after a whole character", "\x81\x81 ", "\x81\x81"},
        {"pairs counted from the start", " \x81\x81\x81 ", "\x81\x81\x81 "},
        {"lone lead byte at the end", "A \x81", "A\x81"},
        {"0x80 and 0xFF lead nothing", "\x80 \xFF\t", "\x80\xFF"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        RemoveBlanksAndTabs(text);
        EXPECT_EQ(text, c.out) << c.name;
    }
}

TEST(Comparison, OverrunAndResult) {
    struct Case {
        std::string expected;
        std::string filtered;
        bool overruns;
        std::string result;
    };
    const Case cases[] = {
        {"AABB", "AABB", false, "GOOD"},
        {"AABB", "AA", false, ""},
        {"AABB", "AABBA", true, ""},
        {"aabb", "AABB", false, ""},  // case matters
        {"", "", false, "GOOD"},
        {"", "AA", true, ""},
        {"OK\r\n", "OK\r\n", false, "GOOD"},
        // Equal up to a zero byte is not equal.
        {std::string("A\0B", 3), std::string("A\0C", 3), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected + " / " + c.filtered);
        EXPECT_EQ(FilteredOverrunsExpected(c.filtered, c.expected), c.overruns);
        EXPECT_EQ(CompareResult(c.expected, c.filtered), c.result);
    }
}

// Successive events on the same texts: what each leaves and whether it asks
// the caller to wait for the rest of a broken frame.
TEST(AnalyseReceivedBytes, EventsInTurn) {
    struct Event {
        std::vector<unsigned char> bytes;
        bool hex;
        std::string receive, filtered, result;
        bool overran;
    };
    struct Scenario {
        const char* name;
        std::string expected;
        std::vector<Event> events;
    };
    const std::vector<unsigned char> frame = {0xAA, 0xBB};
    const Scenario scenarios[] = {
        {"frame per event",
         "AA BB",
         {{frame, true, "AA BB ", "AA BB ", "GOOD", false},
          {frame, true, "AA BB AA BB ", "", "", true},
          {frame, true, "AA BB AA BB AA BB ", "AA BB ", "GOOD", false}}},
        {"frame split over two events",
         "AABB",
         {{{0xAA}, true, "AA ", "AA ", "", false},
          {{0xBB}, true, "AA BB ", "AA BB ", "GOOD", false}}},
        {"empty expected text",
         " \t",
         {{{' ', '\t'}, false, " \t", " \t", "GOOD", false},
          {{'x'}, false, " \tx", "", "GOOD", true}}},
        {"empty batch still compares", "", {{{}, true, "", "", "GOOD", false}}},
        {"501 bytes stay, 502 empty the view",
         std::string(600, 'x'),
         {{std::vector<unsigned char>(501, 'x'), false, std::string(501, 'x'),
           std::string(501, 'x'), "", false},
          {{'x'}, false, "", std::string(502, 'x'), "", false}}},
    };
    for (const Scenario& s : scenarios) {
        std::string receive, filtered, result = "old", expected = s.expected;
        for (size_t i = 0; i < s.events.size(); ++i) {
            SCOPED_TRACE(std::string(s.name) + ", event " + std::to_string(i + 1));
            const Event& e = s.events[i];
            EXPECT_EQ(AnalyseReceivedBytes(e.bytes, e.hex,
                                           ReceiveTexts{receive, filtered, expected, result}),
                      e.overran);
            EXPECT_EQ(receive, e.receive);
            EXPECT_EQ(filtered, e.filtered);
            EXPECT_EQ(result, e.result);
        }
    }
}

}  // namespace
