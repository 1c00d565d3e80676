#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ParityMarks.h"

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kBadByte = {0xFF, 0x00, 0x5A};  // a byte received with a parity error
const Bytes kRealFF = {0xFF, 0xFF};

// Reads raw bytes in pieces cut at the given points, as reads may cut them.
Bytes ReadInPieces(const Bytes& raw, const std::vector<size_t>& cuts) {
    ParityMarkReader reader;
    Bytes out;
    size_t from = 0;
    for (size_t to : cuts) {
        EXPECT_EQ(reader.Read(raw.data() + from, to - from, out), to - from);
        from = to;
    }
    EXPECT_EQ(reader.Read(raw.data() + from, raw.size() - from, out), raw.size() - from);
    EXPECT_FALSE(reader.InMark()) << "every mark was complete";
    return out;
}

TEST(ParityMarks, UndoesTheTerminalsMarks) {
    struct Case {
        const char* name;
        Bytes raw;
        Bytes read;
        bool inMark;  // left waiting inside a mark
    };
    const Case cases[] = {
        {"plain bytes", {0x41, 0x00, 0x7F, 0x80, 0xFE}, {0x41, 0x00, 0x7F, 0x80, 0xFE}, false},
        {"a real 0xFF", {0x41, 0xFF, 0xFF, 0x42}, {0x41, 0xFF, 0x42}, false},
        {"real 0xFF twice", {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF}, false},
        {"a bad byte", {0x41, 0xFF, 0x00, 0x42, 0x43}, {0x41, '?', 0x43}, false},
        {"a bad NUL or a break", {0xFF, 0x00, 0x00, 0x41}, {'?', 0x41}, false},
        {"a bad 0xFF is not doubled", {0xFF, 0x00, 0xFF, 0x41}, {'?', 0x41}, false},
        {"bad bytes back to back", {0xFF, 0x00, 0x41, 0xFF, 0x00, 0x42}, {'?', '?'}, false},
        {"a real 0x00 after a real 0xFF", {0xFF, 0xFF, 0x00}, {0xFF, 0x00}, false},
        {"0xFF starting no mark is data",
         {0xFF, 0x41, 0xFF, 0xFE},
         {0xFF, 0x41, 0xFF, 0xFE},
         false},
        {"0xFF at the end waits", {0x41, 0xFF}, {0x41}, true},
        {"0xFF 0x00 at the end waits", {0x41, 0xFF, 0x00}, {0x41}, true},
        {"nothing", {}, {}, false},
    };
    for (const Case& c : cases) {
        ParityMarkReader reader;
        Bytes out;
        EXPECT_EQ(reader.Count(c.raw.data(), c.raw.size()), c.read.size()) << c.name;
        EXPECT_EQ(reader.Read(c.raw.data(), c.raw.size(), out), c.raw.size()) << c.name;
        EXPECT_EQ(out, c.read) << c.name;
        EXPECT_EQ(reader.InMark(), c.inMark) << c.name;
    }
}

// A bad byte or a real 0xFF at every place of a frame, the raw bytes cut into
// two reads at every point and read one at a time: the same bytes come out.
TEST(ParityMarks, MarksAnywhereSplitAnywhere) {
    const Bytes frame = {0x10, 0x20, 0x30, 0x40};
    struct Kind {
        const char* name;
        Bytes mark;
        unsigned char meaning;
    };
    for (const Kind& kind : {Kind{"bad byte", kBadByte, '?'}, Kind{"real 0xFF", kRealFF, 0xFF}}) {
        for (size_t at = 0; at <= frame.size(); ++at) {
            Bytes raw(frame.begin(), frame.begin() + at);
            raw.insert(raw.end(), kind.mark.begin(), kind.mark.end());
            raw.insert(raw.end(), frame.begin() + at, frame.end());
            Bytes expected(frame.begin(), frame.begin() + at);
            expected.push_back(kind.meaning);
            expected.insert(expected.end(), frame.begin() + at, frame.end());

            const std::string where = std::string(kind.name) + " at " + std::to_string(at);
            EXPECT_EQ(ReadInPieces(raw, {}), expected) << where;
            std::vector<size_t> everyByte;
            for (size_t cut = 1; cut < raw.size(); ++cut) {
                EXPECT_EQ(ReadInPieces(raw, {cut}), expected) << where << ", cut at " << cut;
                everyByte.push_back(cut);
            }
            EXPECT_EQ(ReadInPieces(raw, everyByte), expected) << where << ", byte by byte";
        }
    }
}

TEST(ParityMarks, ReadsNoMoreThanAskedAndLeavesTheRest) {
    const Bytes raw = {0xFF, 0x00, 0x41, 0x42, 0xFF, 0xFF, 0xFF, 0x43};
    struct Step {
        size_t limit;
        size_t taken;
        Bytes read;
    };
    // The last 0xFF starts no mark: it is given alone, and its next byte is
    // read afresh.
    const Step steps[] = {{2, 4, {'?', 0x42}}, {1, 2, {0xFF}}, {1, 1, {0xFF}}, {5, 1, {0x43}}};
    ParityMarkReader reader;
    size_t from = 0;
    for (const Step& s : steps) {
        Bytes out;
        EXPECT_EQ(reader.Read(raw.data() + from, raw.size() - from, out, s.limit), s.taken)
            << "from " << from;
        EXPECT_EQ(out, s.read) << "from " << from;
        from += s.taken;
    }
    EXPECT_EQ(from, raw.size());
}

TEST(ParityMarks, CountTakesNothingAndResetForgetsAMarkBegun) {
    ParityMarkReader reader;
    Bytes out;
    const Bytes start = {0x41, 0xFF};
    reader.Read(start.data(), start.size(), out);
    const Bytes rest = {0x00, 0x42};
    EXPECT_EQ(reader.Count(rest.data(), rest.size()), 1u);
    EXPECT_EQ(reader.Count(rest.data(), rest.size()), 1u) << "counting changed the state";
    EXPECT_TRUE(reader.InMark());

    // The bytes before were discarded: what follows starts afresh.
    reader.Reset();
    EXPECT_FALSE(reader.InMark());
    out.clear();
    reader.Read(rest.data(), rest.size(), out);
    EXPECT_EQ(out, (Bytes{0x00, 0x42}));
}

}  // namespace
