// The verdict of an answer taken byte by byte: the window's comparison, a
// mask or a pattern, with a checksum and values, as the runner feeds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Pty.h"
#include "tools/check/core/AnswerJudge.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/CheckPlan.h"

namespace {

using Args = std::vector<std::string>;

// The answer rule the command line's step options give.
AnswerRule RuleOf(Args args) {
    args.insert(args.begin(), {"--port", "/dev/null"});
    const ParsedCheckCommand parsed = ParseCheckCommand(args);
    EXPECT_EQ(parsed.error, "");
    const ResolvedCheckPlan resolved = ResolveCheckPlan(parsed.options);
    EXPECT_EQ(resolved.error, "");
    return resolved.plan ? resolved.plan->steps.at(0).answer : AnswerRule();
}

enum class Then { Nothing, Idle, TimeOut };

struct JudgeCase {
    const char* name;
    Args rule;
    std::string answer;
    Then then;  // after the last byte, when still undecided
    Verdict verdict;
    std::string reason;
    size_t decidedAt;    // bytes taken when decided; the answer's size for Idle/TimeOut
    std::string values;  // "name=number" or "name='text'", joined by blanks
};

std::string Shown(const std::vector<RecordedValue>& values) {
    std::string out;
    for (const RecordedValue& v : values) {
        out += (out.empty() ? "" : " ") + v.name + "=" +
               (v.number ? std::to_string(*v.number).substr(0, 5) : "'" + v.text + "'");
    }
    return out;
}

const Args kModbusMask = {
    "--checksum", "CRC-16/MODBUS",     "--expect-mask", "01 03 04 ?? ?? ?? ??",
    "--field",    "v=3:2:u16be*0.001", "--measure",     "v=3.0..4.2 V"};
// 01 03 04 0E 1A 00 00 and its CRC-16/MODBUS, low byte first: v = 3.61.
const std::string kModbusAnswer("\x01\x03\x04\x0E\x1A\x00\x00\xD9\x1C", 9);

TEST(AnswerJudge, DecidesAtTheRightByteWithItsReasonAndValues) {
    const Args pattern = {"--expect-regex", "SN=(?<sn>[0-9A-F]{4}) V=(?<v>[^ ]*)",
                          "--capture",      "sn",
                          "--measure",      "v=3.0..4.2"};
    const Args ascii = {"--expect-regex",   ":.*", "--checksum", "LRC-8", "--checksum-ascii",
                        "--checksum-range", "1.."};
    const Args shortField = {"--expect-mask", "01 ??",     "--field",
                             "t=1:2:u16be",   "--measure", "t=0.."};
    const std::string outOfRange("\x01\x03\x04\x10\xD6\x00\x00\x1F\x0B", 9);
    // clang-format off
    const JudgeCase cases[] = {
        {"mismatch", {"--expect", "OK"}, "OX", Then::Nothing, Verdict::Fail, "mismatch at byte 2", 2, ""},
        {"nothing came", {"--expect", "OK"}, "", Then::TimeOut, Verdict::Timeout, "no answer", 0, ""},
        {"cut short", {"--expect", "OK"}, "O", Then::TimeOut, Verdict::Timeout, "answer cut short after 1 byte", 1, ""},
        {"text, wrong checksum", {"--expect", "OK", "--checksum", "XOR-8"}, "OK\x05", Then::Nothing, Verdict::Fail, "checksum", 3, ""},
        {"mask in range", kModbusMask, kModbusAnswer, Then::Nothing, Verdict::Pass, "", 9, "v=3.610"},
        {"mask, bad CRC", kModbusMask, kModbusAnswer.substr(0, 8) + "\xEE", Then::Nothing, Verdict::Fail, "checksum", 9, "v=3.610"},
        {"mask, out of range", kModbusMask, outOfRange, Then::Nothing, Verdict::Fail, "v 4.31 above 4.2", 9, "v=4.310"},
        {"mask, wrong function", kModbusMask, std::string("\x01\x83\x02", 3), Then::Nothing, Verdict::Fail, "mismatch at byte 2", 2, "v=''"},
        {"pattern at CR LF", pattern, "SN=00A1 V=3.61\r\nrest", Then::Nothing, Verdict::Pass, "", 16, "v=3.610 sn='00A1'"},
        {"pattern at LF", pattern, "SN=00A1 V=4.5\n", Then::Nothing, Verdict::Fail, "v 4.5 above 4.2", 14, "v=4.500 sn='00A1'"},
        {"no number", pattern, "SN=00A1 V=3,6\n", Then::Nothing, Verdict::Fail, "v \"3,6\" is not a number", 14, "v='3,6' sn='00A1'"},
        {"no match", pattern, "SN=00G1 V=3\n", Then::Nothing, Verdict::Fail, "no match", 12, ""},
        {"no end", pattern, "SN=00A1 V=3.6", Then::TimeOut, Verdict::Timeout, "no end", 13, ""},
        {"own end", {"--expect-regex", "OK", "--end", "\\x03"}, "OK\x03", Then::Nothing, Verdict::Pass, "", 3, ""},
        {"idle end", {"--expect-regex", "O.", "--idle", "30"}, "OK", Then::Idle, Verdict::Pass, "", 2, ""},
        // Modbus ASCII: the LRC over the hex pairs' values, before CR LF.
        {"Modbus ASCII, bad LRC", ascii, ":010300000001FC\r\n", Then::Nothing, Verdict::Fail, "checksum", 17, ""},
        {"field past the end", shortField, "\x01\x02", Then::Nothing, Verdict::Fail, "t: the answer is too short for it (2 bytes)", 2, "t=''"},
    };
    // clang-format on
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const AnswerRule rule = RuleOf(c.rule);
        AnswerJudge judge(rule);
        size_t taken = 0;
        for (char byte : c.answer) {
            if (judge.Feed(static_cast<unsigned char>(byte)) != Verdict::Undecided) {
                break;
            }
            ++taken;
        }
        if (judge.verdict() == Verdict::Undecided) {
            EXPECT_EQ(taken, c.answer.size());
            if (c.then == Then::Idle) {
                judge.Idle();
            } else if (c.then == Then::TimeOut) {
                judge.TimeOut();
            }
        }
        EXPECT_EQ(judge.verdict(), c.verdict);
        EXPECT_EQ(judge.reason(), c.reason);
        EXPECT_EQ(judge.received().size(), c.decidedAt);
        EXPECT_EQ(Shown(judge.values()), c.values);
    }
}

}  // namespace
