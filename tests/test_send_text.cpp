#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/text/Gbk.h"
#include "send/HexText.h"
#include "send/SendPeriod.h"
#include "send/SendText.h"

namespace {

TEST(HexTextToBytes, ParsesDigitPairs) {
    struct Case {
        std::string text;
        ByteArray bytes;
    };
    const Case cases[] = {
        {"", {}},
        {"    ", {}},
        {"01 02 0A FF", {0x01, 0x02, 0x0A, 0xFF}},
        {"0102", {0x01, 0x02}},
        {"aBcD", {0xAB, 0xCD}},
        {"  12  ", {0x12}},
        {"123", {0x12}},       // a lone last digit is dropped
        {"12 3", {0x12}},      // also after a blank
        {"1 2", {}},           // a blank inside a pair ends the parse
        {"12 G0 34", {0x12}},  // so does a pair that is not two digits
        {"12\t34", {0x12}},    // a tab is not skipped: it starts a pair
        {"0x 12", {}},         // the x ends the parse at the first pair
        {"41 42 43", {0x41, 0x42, 0x43}},
        {"00 ff Ff", {0x00, 0xFF, 0xFF}},
        {"12" + gbk::Text("中") + "34", {0x12}},  // double-byte characters are no digits
        {std::string("12\0"
                     "34",
                     5),
         {0x12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        ByteArray out = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};  // replaced
        const std::string before = c.text;
        EXPECT_EQ(HexTextToBytes(c.text, out), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(out, c.bytes);
        EXPECT_EQ(c.text, before);
    }
}

TEST(ParseHexText, SaysWhereAndWhyItStopped) {
    struct Case {
        std::string text;
        HexParseEnd::Reason reason;
        size_t position;
        ByteArray bytes;
    };
    const Case cases[] = {
        {"", HexParseEnd::Complete, 0, {}},
        {"01 03  ", HexParseEnd::Complete, 7, {0x01, 0x03}},
        {"12 G0 34", HexParseEnd::NotAPair, 3, {0x12}},
        {"1 2", HexParseEnd::NotAPair, 0, {}},
        {"12\t34", HexParseEnd::NotAPair, 2, {0x12}},
        {"0x12", HexParseEnd::NotAPair, 0, {}},
        {"123", HexParseEnd::LoneLast, 2, {0x12}},
        {"12 3", HexParseEnd::LoneLast, 3, {0x12}},
        {"12 G", HexParseEnd::LoneLast, 3, {0x12}},  // alone at the end, digit or not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        ByteArray out = {0xEE};
        const HexParseEnd end = ParseHexText(c.text, out);
        EXPECT_EQ(end.reason, c.reason);
        EXPECT_EQ(end.position, c.position);
        EXPECT_EQ(out, c.bytes);
        ByteArray silent;
        EXPECT_EQ(HexTextToBytes(c.text, silent), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(silent, c.bytes);
    }
}

TEST(HexCharValue, GivesDigitsAndSixteenForTheRest) {
    struct Case {
        char c;
        int value;
    };
    const Case cases[] = {
        {'0', 0},   {'9', 9},  {'A', 10},    {'F', 15},    {'a', 10},    {'f', 15},    {'/', 16},
        {':', 16},  {'@', 16}, {'G', 16},    {'`', 16},    {'g', 16},    {' ', 16},    {'\t', 16},
        {'\0', 16}, {'x', 16}, {'\x80', 16}, {'\xB0', 16}, {'\xC1', 16}, {'\xFF', 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexCharValue(c.c), c.value) << "character " << static_cast<int>(c.c);
    }
}

TEST(SendTextToBytes, RawTextIsSentWholeAsStored) {
    std::string big(70000, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>('A' + i % 26);
    }
    struct Case {
        const char* name;
        std::string text;
        ByteArray bytes;
    };
    const Case cases[] = {
        {"letters", "AB", {0x41, 0x42}},
        {"Chinese", gbk::Text("中"), {0xD6, 0xD0}},
        {"empty", "", {}},
        {"hex digits stay text", "41 42", {'4', '1', ' ', '4', '2'}},
        {"65,536 bytes", std::string(65536, 'x'), ByteArray(65536, 'x')},
        {"70,000 bytes", big, ByteArray(big.begin(), big.end())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SendTextToBytes(c.text, false), c.bytes);
    }
    EXPECT_EQ(SendTextToBytes("41 42 4", true), (ByteArray{0x41, 0x42}));
}

TEST(ClampSendPeriod, KeepsTheWorkerWithinTenToFiveThousand) {
    const int cases[][2] = {
        {INT_MIN, 10}, {-1, 10},     {0, 10},      {9, 10},        {10, 10},
        {500, 500},    {5000, 5000}, {5001, 5000}, {100000, 5000}, {INT_MAX, 5000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClampSendPeriod(c[0]), c[1]) << c[0];
    }
}

}  // namespace
