// The check program's command line and what it resolves to: the bytes to
// send, the text to expect, and one clear line for each usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/Pty.h"
#include "support/TempDir.h"
#include "tools/check/core/CheckPlan.h"

namespace {

using Args = std::vector<std::string>;

// A command line with the two options every run needs, then `more`.
Args Line(Args more, const std::string& expect = "AA BB") {
    Args args = {"--port", "/dev/pts/9", "--expect", expect};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct ParseCase {
    const char* name;
    Args args;
    const char* error;  // part of the one-line error; nullptr when it parses
    std::function<void(const CheckOptions&)> check;
};

TEST(CheckOptions, ParsesEveryOptionAndRefusesMistakesInOneLine) {
    const ParseCase cases[] = {
        {"defaults", Line({}), nullptr,
         [](const CheckOptions& o) {
             EXPECT_EQ(o.port, "/dev/pts/9");
             EXPECT_EQ(o.comPort, 0);
             EXPECT_EQ(o.settings, "9600,n,8,1");
             EXPECT_EQ(o.flow, FlowControl::None);
             EXPECT_EQ(o.step.send, SendSource::Nothing);
             EXPECT_EQ(o.step.expectText.value, "AA BB");
             EXPECT_EQ(o.step.timeoutMs, 1000);
             EXPECT_EQ(o.repeat, 1);
             EXPECT_EQ(o.intervalMs, 0);
             EXPECT_FALSE(o.step.hex || o.idsFromStdin || o.quiet || o.json);
             EXPECT_TRUE(o.logPath.empty() && o.libraryPath.empty());
         }},
        {"everything",
         {"--port=com2", "--settings",  "250000,E,7,2",   "--flow",  "rtscts", "--send-entry",
          "3",           "--entry-hex", "--expect-entry", "2",       "--hex",  "--ids-from-stdin",
          "--timeout",   "250",         "--interval",     "3600000", "--log",  "r.jsonl",
          "--json",      "--library",   "lib.ini"},
         nullptr,
         [](const CheckOptions& o) {
             EXPECT_EQ(o.comPort, 2);
             EXPECT_EQ(o.settings, "250000,E,7,2");
             EXPECT_EQ(o.flow, FlowControl::RtsCts);
             EXPECT_EQ(o.step.send, SendSource::Entry);
             EXPECT_EQ(o.step.sendEntry.value, 3);
             EXPECT_TRUE(o.step.entryHex && o.step.hex && o.idsFromStdin && o.json);
             EXPECT_EQ(o.step.expect, ExpectSource::Entry);
             EXPECT_EQ(o.step.expectEntry.value, 2);
             EXPECT_EQ(o.step.timeoutMs, 250);
             EXPECT_EQ(o.intervalMs, 3600000);
             EXPECT_EQ(o.logPath, "r.jsonl");
             EXPECT_EQ(o.libraryPath, "lib.ini");
         }},
        {"texts keep their bytes", Line({"--send", "\xD6\xD0\r\n"}, "\xB0 \xFF"), nullptr,
         [](const CheckOptions& o) {
             EXPECT_EQ(o.step.sendText.value, "\xD6\xD0\r\n");
             EXPECT_EQ(o.step.expectText.value, "\xB0 \xFF");
         }},
        {"a value may look like an option", Line({"--send", "--help"}), nullptr,
         [](const CheckOptions& o) { EXPECT_EQ(o.step.sendText.value, "--help"); }},
        {"no port", {"--expect", "A"}, "--port is required", nullptr},
        {"unknown option", Line({"--baud", "9600"}), "Unknown option 'baud'", nullptr},
        {"missing value", Line({"--timeout"}), "Missing value after '--timeout'", nullptr},
        {"stray word", Line({"BB"}), "unexpected argument 'BB'", nullptr},
        {"twice", Line({"--hex", "--hex"}), "--hex given more than once", nullptr},
        {"COM5", {"--port", "COM5", "--expect", "A"}, "COM1 to COM4", nullptr},
        {"bad settings", Line({"--settings", "9600,n,9,1"}), "data bits are 4 to 8", nullptr},
        {"baud 0", Line({"--settings", "0,n,8,1"}), "baud rate is a whole number", nullptr},
        // What no UART can send is refused here, before any file or port.
        {"four data bits", Line({"--settings", "9600,n,4,1"}),
         "--settings 9600,n,4,1: a serial port sends 5 to 8 data bits", nullptr},
        {"two stop bits with five", Line({"--settings", "9600,n,5,2"}),
         "--settings 9600,n,5,2: 2 stop bits need 6 to 8 data bits", nullptr},
        {"settle", Line({"--settle", "0"}), nullptr,
         [](const CheckOptions& o) { EXPECT_EQ(o.step.settleMs, 0); }},
        {"bad flow", Line({"--flow", "hardware"}), "none, rtscts or xonxoff", nullptr},
        {"two sends", Line({"--send", "A", "--send-hex", "41"}), "at most one of --send", nullptr},
        {"entry-hex alone", Line({"--send-hex", "41", "--entry-hex"}), "goes with --send-entry",
         nullptr},
        {"send entry 4", Line({"--send-entry", "4"}), "from 1 to 3, not '4'", nullptr},
        {"no expectation", {"--port", "COM1"}, "say what to expect", nullptr},
        {"two expectations", Line({"--expect-entry", "1"}),
         "choose one of --expect, --expect-entry", nullptr},
        {"timeout 0", Line({"--timeout", "0"}), "--timeout takes whole milliseconds from 1",
         nullptr},
        {"timeout too long", Line({"--timeout", "3600001"}), "not '3600001'", nullptr},
        {"fractional interval", Line({"--interval", "1.5"}), "--interval takes", nullptr},
        {"negative repeat", Line({"--repeat", "-1"}), "--repeat takes", nullptr},
        {"huge repeat", Line({"--repeat", "99999999999"}), "--repeat takes", nullptr},
        {"repeat and ids", Line({"--repeat", "2", "--ids-from-stdin"}), "do not go together",
         nullptr},
        {"quiet and json", Line({"--quiet", "--json"}), "do not go together", nullptr},
        {"empty log name", Line({"--log", ""}), "--log needs a file name", nullptr},
        {"mask, pattern and values",
         {"--port",
          "P",
          "--expect-regex",
          "V=(?<v>.*)",
          "--end",
          "\\r",
          "--idle",
          "20",
          "--field",
          "t=1:u8",
          "--field",
          "u=-2:2:s16le*0.5",
          "--measure",
          "v=1..2 V",
          "--capture",
          "v",
          "--capture",
          "w",
          "--checksum",
          "crc-16/modbus",
          "--checksum-order",
          "be",
          "--checksum-range",
          "1..",
          "--checksum-ascii"},
         nullptr,
         [](const CheckOptions& o) {
             EXPECT_EQ(o.step.expect, ExpectSource::Pattern);
             EXPECT_EQ(o.step.end->value, "\\r");
             EXPECT_EQ(o.step.idleMs->value, 20);
             ASSERT_EQ(o.step.fields.size(), 2u);
             EXPECT_EQ(o.step.fields[1].field.offset, -2);
             EXPECT_EQ(o.step.measures.at(0).limits.unit, "V");
             EXPECT_EQ(o.step.captures.size(), 2u);
             EXPECT_EQ(o.step.checksumRange->value, "1..");
             EXPECT_TRUE(o.step.checksumAscii);
         }},
        {"mask",
         {"--port", "P", "--expect-mask", "01 ??"},
         nullptr,
         [](const CheckOptions& o) { EXPECT_EQ(o.step.expect, ExpectSource::Mask); }},
        {"bad field", Line({"--field", "t=3:2:u8"}), "--field t=3:2:u8: ", nullptr},
        {"bad measure", Line({"--measure", "v=5..1"}), "--measure v=5..1: ", nullptr},
        {"bad capture", Line({"--capture", "1x"}), "--capture 1x: ", nullptr},
        {"ascii alone", Line({"--checksum-ascii"}), "--checksum-ascii goes with --checksum",
         nullptr},
        {"idle 0", Line({"--idle", "0"}), "--idle takes whole milliseconds from 1", nullptr},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedCheckCommand parsed = ParseCheckCommand(c.args);
        if (c.error) {
            EXPECT_EQ(parsed.action, ParsedCheckCommand::UsageError);
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
            EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
        } else {
            ASSERT_EQ(parsed.action, ParsedCheckCommand::Run) << parsed.error;
            c.check(parsed.options);
        }
    }
}

TEST(CheckOptions, HelpAndVersionWinAndHelpShowsEveryOption) {
    EXPECT_EQ(ParseCheckCommand({"--bogus", "--help"}).action, ParsedCheckCommand::ShowHelp);
    EXPECT_EQ(ParseCheckCommand({"-h"}).action, ParsedCheckCommand::ShowHelp);
    EXPECT_EQ(ParseCheckCommand({"--version"}).action, ParsedCheckCommand::ShowVersion);
    EXPECT_EQ(CheckVersionText().rfind("tessaline-check ", 0), 0u);

    const std::string help = CheckHelpText();
    EXPECT_EQ(help.rfind("Usage: tessaline-check [options]\n", 0), 0u) << help;
    for (const char* option :
         {"--port",           "--settings",  "--flow",    "--send ",        "--send-hex",
          "--send-entry",     "--entry-hex", "--expect ", "--expect-entry", "--hex",
          "--ids-from-stdin", "--timeout",   "--repeat",  "--interval",     "--log",
          "--settle",         "no unit ran", "--quiet",   "--json",         "--library",
          "--help",           "--version",   "Examples:", "Exit codes:",    "130"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

using CheckPlanTest = TempDirFixture;

struct PlanCase {
    const char* name;
    Args args;
    const char* error;  // part of the error; nullptr when it resolves
    ByteArray send;
    std::string expected;
};

TEST_F(CheckPlanTest, ResolvesWhatToSendAndExpect) {
    WriteFile("Quorvix.ini",
              "[Send Data Term1]\r\nData=41 42 0D\r\n[Send Data Term2]\r\nData=12 G0\r\n"
              "[Current Data Term1]\r\nData=AA BB\r\n[Current Data Term2]\r\nData= \t \r\n");
    WriteFile("other.ini", "[Current Data Term3]\r\nData=OK\r\n");
    std::filesystem::create_directory("folder");
    const PlanCase cases[] = {
        {"listen only", Line({}), nullptr, {}, "AA BB"},
        {"raw text", Line({"--send", "PING\r"}), nullptr, {'P', 'I', 'N', 'G', '\r'}, "AA BB"},
        {"hex", Line({"--send-hex", " 01 03  "}), nullptr, {0x01, 0x03}, "AA BB"},
        {"bad pair",
         Line({"--send-hex", "01 G3 04"}),
         "\"G3\" at position 4 is not a pair",
         {},
         ""},
        {"lone digit",
         Line({"--send-hex", "01 0"}),
         "\"0\" at position 4 is a lone last digit",
         {},
         ""},
        {"entry raw",
         Line({"--send-entry", "1"}),
         nullptr,
         {'4', '1', ' ', '4', '2', ' ', '0', 'D'},
         "AA BB"},
        {"entry hex",
         Line({"--send-entry", "1", "--entry-hex"}),
         nullptr,
         {0x41, 0x42, 0x0D},
         "AA BB"},
        {"entry bad hex",
         Line({"--send-entry", "2", "--entry-hex"}),
         "send entry 2 of Quorvix.ini \"12 G0\": \"G0\" at position 4",
         {},
         ""},
        {"expected entry",
         {"--port", "COM1", "--expect-entry", "1", "--hex"},
         nullptr,
         {},
         "AA BB"},
        {"missing entry",
         {"--port", "COM1", "--expect-entry", "3"},
         "missing library entry",
         {},
         ""},
        {"other library",
         {"--port", "COM1", "--expect-entry", "3", "--library", "other.ini"},
         nullptr,
         {},
         "OK"},
        {"no library file",
         {"--port", "COM1", "--expect-entry", "3", "--library", "none.ini"},
         "missing library entry: expected entry 3 is read from none.ini, and there is no such file",
         {},
         ""},
        {"unreadable library",
         {"--port", "COM1", "--expect-entry", "3", "--library", "folder"},
         "unreadable library file",
         {},
         ""},
        {"blank expected", Line({}, " \t "), "nothing to compare", {}, ""},
        {"blank expected entry",
         {"--port", "COM1", "--expect-entry", "2"},
         "expected entry 2 of Quorvix.ini",
         {},
         ""},
        {"lower-case hex", Line({"--hex"}, "aa bb"), "can never match with --hex", {}, ""},
        // Quoted whole: never half of a character.
        {"character in hex", Line({"--hex"}, "AA 中"), "and \"中\" is not one", {}, ""},
        {"bad byte in hex",
         Line({"--send-hex",
               "01 \xff"
               "1"}),
         "\"\\xFF1\" at position 4",
         {},
         ""},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedCheckCommand parsed = ParseCheckCommand(c.args);
        ASSERT_EQ(parsed.action, ParsedCheckCommand::Run) << parsed.error;
        const ResolvedCheckPlan resolved = ResolveCheckPlan(parsed.options);
        if (c.error) {
            EXPECT_FALSE(resolved.plan);
            EXPECT_NE(resolved.error.find(c.error), std::string::npos) << resolved.error;
            continue;
        }
        ASSERT_TRUE(resolved.plan) << resolved.error;
        const Step& step = resolved.plan->steps.at(0);
        EXPECT_EQ(step.request, c.send);
        EXPECT_EQ(step.sends, parsed.options.step.send != SendSource::Nothing);
        EXPECT_EQ(step.answer.expected, c.expected);
    }
}

}  // namespace

// Long enough for a line end behind the answer even at the slowest rates.
TEST(CheckPlanSettle, DefaultCoversFiveCharactersAndAtLeast50Ms) {
    const std::pair<const char*, int> cases[] = {
        {"115200,n,8,1", 50}, {"1200,n,8,1", 50}, {"300,n,8,1", 167}, {"110,e,7,2", 500}};
    for (const auto& [settings, ms] : cases) {
        EXPECT_EQ(DefaultSettleMs(*ParseCommSettingsAnyBaud(settings)), ms) << settings;
    }
}
