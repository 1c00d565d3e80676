// Test plans as loaded from their TOML text: every key into the step options
// the command line also fills, [defaults] where they fit, and each fault as one
// line naming the plan's line and column.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "support/TempDir.h"
#include "tools/check/core/PlanFile.h"
#include "tools/check/core/StepRules.h"

namespace {

// A plan with a step of every kind, kept once as the plan loader's fuzz seed;
// the places below are its lines and columns.
const std::string kExample = temp_files::ReadFile(TESSALINE_PLAN_EXAMPLE_PATH);

// Two lines every plan needs; what a row adds starts on line 3.
const std::string kHead = "[plan]\nname = \"p\"\n";
// A step that sends; what a row adds to it starts on line 5.
const std::string kStep = kHead + "[[step]]\nsend = \"A\"\n";

std::optional<PlanFile> Load(const std::string& text, std::string& error) {
    return LoadPlanText(text, "plan.toml", error);
}

// A value and the place it was written, to compare in one go.
template <class T>
std::string At(const Given<T>& given) {
    std::ostringstream out;
    out << given.value << " @ " << given.origin;
    return out.str();
}

TEST(PlanFile, LoadsTheExampleFieldByField) {
    std::string error;
    const std::optional<PlanFile> plan = Load(kExample, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->sha256, "bc70d4c368d930ce33550bb0d8fc3770e224ae8cd3f49ff259e5a6d173dd4780");
    EXPECT_EQ(plan->name + "/" + plan->version, "S3 sensor board/4");
    EXPECT_EQ(At(*plan->unitId), "^S3-[0-9]{6}$ @ plan.toml:4:11: unit_id");
    const ByteArray good{'S', '3', '-', '0', '0', '0', '1', '2', '3'}, shortId{'S', '3', '-', '1'};
    EXPECT_TRUE(plan->unitIdPattern->Match(good).matched);
    EXPECT_FALSE(plan->unitIdPattern->Match(shortId).matched);
    EXPECT_EQ(At(*plan->portPath),
              "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 @ plan.toml:7:8: path");
    EXPECT_EQ(At(*plan->settings), "115200,n,8,1 @ plan.toml:8:12: settings");
    EXPECT_EQ(plan->flow, FlowControl::None);
    ASSERT_EQ(plan->steps.size(), 3u);
    ASSERT_EQ(plan->teardown.size(), 1u);
    EXPECT_TRUE(plan->fixtureSlots.empty() && plan->library.empty());

    const StepOptions& serial = plan->steps[0];
    EXPECT_EQ(serial.send, SendSource::Text);
    EXPECT_EQ(At(serial.sendText), "SN?\r\n @ plan.toml:17:8: send");
    EXPECT_EQ(serial.expect, ExpectSource::Pattern);
    EXPECT_EQ(At(serial.expectText), "SN=(?<sn>[0-9A-F]{8}) @ plan.toml:18:16: expect_regex");
    EXPECT_EQ(At(*serial.end), "\r\n @ plan.toml:13:7: end");  // where [defaults] gives it
    ASSERT_EQ(serial.captures.size(), 1u);
    EXPECT_EQ(At(serial.captures[0]), "sn @ plan.toml:19:12: capture");
    EXPECT_EQ(serial.timeoutMs, 500);
    EXPECT_EQ(serial.settleMs, -1);

    const StepOptions& battery = plan->steps[1];
    EXPECT_EQ(battery.send, SendSource::Hex);
    EXPECT_EQ(battery.sendText.value, "01 04 00 00 00 01");
    EXPECT_EQ(At(*battery.checksum), "CRC-16/MODBUS @ plan.toml:24:12: checksum");
    EXPECT_EQ(battery.expect, ExpectSource::Mask);
    EXPECT_FALSE(battery.end);  // a mask's answer has no end
    ASSERT_EQ(battery.fields.size(), 1u);
    const FieldOption& vbat = battery.fields[0];
    EXPECT_EQ(vbat.field.name + " " + vbat.unit, "vbat V");
    EXPECT_EQ(vbat.field.offset, 3);
    EXPECT_EQ(vbat.field.type, FieldType::U16Be);
    EXPECT_EQ(vbat.field.scale, 0.001);
    EXPECT_EQ(vbat.origin, "plan.toml:26:14: field.vbat");
    ASSERT_EQ(battery.measures.size(), 1u);
    const MeasureLimits& limits = battery.measures[0].limits;
    EXPECT_EQ(limits.name + " " + limits.low->text + ".." + limits.high->text + " " + limits.unit,
              "vbat 3..4.2 V");
    EXPECT_EQ(battery.measures[0].origin, "plan.toml:26:14: field.vbat");
    EXPECT_EQ(battery.retries, 2);
    EXPECT_TRUE(battery.stopOnFail);

    EXPECT_EQ(plan->steps[2].send, SendSource::Nothing);
    EXPECT_EQ(plan->steps[2].expect, ExpectSource::Nothing);
    EXPECT_EQ(plan->steps[2].waitMs, 200);
    const StepOptions& sleep = plan->teardown[0];
    EXPECT_EQ(sleep.name + " " + sleep.sendText.value + sleep.expectText.value,
              "sleep SLEEP\r\nOK");
    EXPECT_FALSE(sleep.end);  // only a pattern takes the default end
    EXPECT_EQ(sleep.timeoutMs, 500);

    // Every step of the example is one the runner can work out.
    const StepContext context{"Quorvix.ini", "Quorvix.ini", CommSettings{115200, 'n', 8, "1"}};
    for (const auto* list : {&plan->steps, &plan->teardown}) {
        for (const StepOptions& step : *list) {
            EXPECT_TRUE(ResolveStep(step, context, error)) << step.name << ": " << error;
        }
    }
}

struct GoodPlan {
    const char* name;
    std::string text;
    std::function<void(const PlanFile&)> check;
};

TEST(PlanFile, AppliesDefaultsWhereTheyFitAndReadsEveryForm) {
    const GoodPlan plans[] = {
        {"defaults fill what a step leaves out",
         kHead + "[defaults]\ntimeout = 250\nsettle = 20\nretries = 3\non_fail = \"continue\"\n" +
             "hex = true\nchecksum = \"CRC-8\"\nchecksum_order = \"le\"\n" +
             "checksum_ascii = true\nidle = 40\n" +
             "[[step]]\nsend = \"A\"\nexpect = \"41\"\ntimeout = 9\nhex = false\n" +
             "[[step]]\nexpect_regex = 'x'\n[[step]]\nexpect_regex = 'y'\nend = 'Z'\n" +
             "[[step]]\nprompt = \"Press reset\"\n[[teardown]]\nsend_entry = 2\nentry_hex = true\n",
         [](const PlanFile& p) {
             const StepOptions& own = p.steps[0];
             EXPECT_EQ(own.name, "step 1");
             EXPECT_EQ((std::vector<int>{own.timeoutMs, own.settleMs, own.retries}),
                       (std::vector<int>{9, 20, 3}));
             EXPECT_FALSE(own.stopOnFail);
             EXPECT_FALSE(own.hex);  // its own false wins over the default
             EXPECT_EQ(own.checksum->value + " " + own.checksumOrder->value, "CRC-8 le");
             EXPECT_TRUE(own.checksumAscii);
             EXPECT_FALSE(own.idleMs);      // not a pattern
             EXPECT_FALSE(p.steps[1].hex);  // a pattern reads text
             EXPECT_EQ(At(*p.steps[1].idleMs), "40 @ plan.toml:12:8: idle");
             // Its own end replaces the default idle, which would never be used.
             EXPECT_EQ(p.steps[2].end->value, "Z");
             EXPECT_FALSE(p.steps[2].idleMs);
             const StepOptions& prompt = p.steps[3];
             EXPECT_EQ(prompt.prompt, "Press reset");
             EXPECT_FALSE(prompt.checksum || prompt.hex || prompt.checksumAscii);
             EXPECT_EQ(prompt.retries, 3);
             const StepOptions& entry = p.teardown[0];
             EXPECT_EQ(entry.name, "teardown 1");
             EXPECT_EQ(entry.send, SendSource::Entry);
             EXPECT_EQ(At(entry.sendEntry), "2 @ plan.toml:26:14: send_entry");
             EXPECT_TRUE(entry.entryHex);
             EXPECT_FALSE(entry.checksum);  // nothing to check it on
         }},
        {"measures in both forms, fields with and without limits",
         kHead + "[[step]]\nexpect_regex = '(?<t>[-0-9.]+);(?<rh>[0-9.]+);(?<p>.*)'\n" +
             "measure.t = \"-40..85 °C\"\nmeasure.rh = { max = 95, unit = \"%\" }\n" +
             "measure.p = \"..\"\nfield.raw = { at = -2, type = \"s16le\" }\n" +
             "field.lo = { at = 0, type = \"U8\", min = -1.5, scale = 2.5 }\nend = '\\r\\n'\n",
         [](const PlanFile& p) {
             const StepOptions& s = p.steps[0];
             EXPECT_EQ(s.end->value, "\\r\\n");  // a literal string: ResolveStep reads it
             std::vector<std::string> measures, fields;
             for (const MeasureOption& m : s.measures) {
                 const MeasureLimits& l = m.limits;
                 measures.push_back(l.name + " " + (l.low ? l.low->text : "") + ".." +
                                    (l.high ? l.high->text : "") + " " + l.unit);
             }
             for (const FieldOption& f : s.fields) {
                 std::ostringstream field;
                 field << f.field.name << " " << f.field.offset << " "
                       << FieldTypeName(f.field.type) << "*" << f.field.scale << " " << f.unit;
                 fields.push_back(field.str());
             }
             // In the order written.
             EXPECT_EQ(measures, (std::vector<std::string>{"t -40..85 °C", "rh ..95 %", "p .. ",
                                                           "lo -1.5.. "}));
             EXPECT_EQ(fields, (std::vector<std::string>{"raw -2 s16le*1 ", "lo 0 u8*2.5 "}));
             EXPECT_EQ(s.measures[0].origin, "plan.toml:5:13: measure.t");
         }},
        {"slots, a numbered version and a library beside the plan",
         "[plan]\nname = \"p\"\nversion = 12\nlibrary = \"lib/Q.ini\"\n[port]\n"
         "flow = \"rtscts\"\n[[step]]\nexpect = \"OK\"\n[[slot]]\nname = \"A1\"\n"
         "path = \"/dev/serial/by-path/pci-0:2:1.0-port0\"\n[[slot]]\nname = \"A2\"\n"
         "path = \"/dev/ttyUSB1\"\n",
         [](const PlanFile& p) {
             EXPECT_EQ(p.version + " " + p.library, "12 lib/Q.ini");
             EXPECT_FALSE(p.portPath || p.settings || p.unitId);
             EXPECT_EQ(p.flow, FlowControl::RtsCts);
             EXPECT_EQ(p.steps[0].send, SendSource::Nothing);  // a step may only listen
             ASSERT_EQ(p.fixtureSlots.size(), 2u);
             EXPECT_EQ(p.fixtureSlots[0].name + " " + At(p.fixtureSlots[0].path),
                       "A1 /dev/serial/by-path/pci-0:2:1.0-port0 @ plan.toml:11:8: path");
             EXPECT_EQ(p.fixtureSlots[1].name + " " + p.fixtureSlots[1].path.value,
                       "A2 /dev/ttyUSB1");
         }},
    };
    for (const GoodPlan& good : plans) {
        SCOPED_TRACE(good.name);
        std::string error;
        const std::optional<PlanFile> plan = Load(good.text, error);
        ASSERT_TRUE(plan) << error;
        good.check(*plan);
    }
}

struct BadPlan {
    const char* name;
    std::string text;
    std::string error;  // the whole line
};

TEST(PlanFile, RefusesEachFaultInOneLineNamingItsLineAndColumn) {
    const BadPlan plans[] = {
        // What the TOML reader says, at its place.
        {"syntax", kHead + "[[step]]\nsend = \"A\nexpect = 1\n",
         "plan.toml:4:10: Error while parsing string: unescaped control characters other than TAB "
         "(U+0009) are explicitly prohibited"},
        // Keys that are not the plan's.
        {"misspelt key", kStep + "retrys = 2\n",
         "plan.toml:5:1: unknown key \"retrys\" in [[step]]; allowed: name, send, send_hex, "
         "send_entry, entry_hex, expect, expect_entry, hex, expect_mask, expect_regex, end, idle, "
         "field, measure, capture, checksum, checksum_order, checksum_range, checksum_ascii, "
         "timeout, settle, retries, on_fail, wait, prompt"},
        {"unknown table", kStep + "[ports]\npath = \"x\"\n",
         "plan.toml:5:2: unknown key \"ports\" at the top of the plan; allowed: plan, port, "
         "defaults, step, teardown, slot"},
        {"a step's key in [defaults]", kStep + "[defaults]\nsend = \"B\"\n",
         "plan.toml:6:1: unknown key \"send\" in [defaults]; allowed: timeout, settle, retries, "
         "on_fail, hex, checksum, checksum_order, checksum_range, checksum_ascii, end, idle"},
        // Values of the wrong type or range.
        {"timeout as text", kStep + "timeout = \"500\"\n",
         "plan.toml:5:11: timeout takes whole milliseconds from 1 to 3600000, not \"500\""},
        {"too many retries", kStep + "retries = 101\n",
         "plan.toml:5:11: retries takes a whole number from 0 to 100, not 101"},
        {"on_fail", kStep + "on_fail = \"halt\"\n",
         "plan.toml:5:11: on_fail is stop or continue, not \"halt\""},
        {"version with a fraction", "[plan]\nname = \"p\"\nversion = 4.1\n[[step]]\nwait = 1\n",
         "plan.toml:3:11: version takes a string or a whole number, not 4.1"},
        {"settings", kStep + "[port]\nsettings = \"9600,x,8,1\"\n",
         "plan.toml:6:12: settings \"9600,x,8,1\": the parity is e, m, n, o or s (even, mark, "
         "none, odd, space), not 'x'"},
        {"settings a UART cannot send", kStep + "[port]\nsettings = \"9600,n,5,2\"\n",
         "plan.toml:6:12: settings \"9600,n,5,2\": 2 stop bits need 6 to 8 data bits (5 data "
         "bits take 1 or 1.5 stop bits)"},
        {"COM5", kStep + "[port]\npath = \"COM5\"\n",
         "plan.toml:6:8: path \"COM5\": the COM ports are COM1 to COM4; give other ports by "
         "their device path"},
        {"bad unit_id", "[plan]\nname = \"p\"\nunit_id = '^S3-['\n[[step]]\nwait = 1\n",
         "plan.toml:3:11: unit_id \"^S3-[\": at the end of the pattern: missing terminating ] "
         "for character class"},
        // What goes together in a step.
        {"two sends", kStep + "send_hex = \"41\"\n",
         "plan.toml:5:12: send_hex does not go with send: choose at most one of send, send_hex "
         "and send_entry"},
        {"two expectations", kHead + "[[step]]\nexpect = \"A\"\nexpect_regex = 'B'\n",
         "plan.toml:5:16: expect_regex does not go with expect: choose at most one of expect, "
         "expect_entry, expect_mask and expect_regex"},
        {"wait after send", kStep + "wait = 100\n",
         "plan.toml:5:8: wait does not go with send: a step that waits or shows a prompt does "
         "only that"},
        {"nothing to do", kHead + "[[step]]\nname = \"x\"\ntimeout = 5\n",
         "plan.toml:3:1: [[step]] has nothing to do: give it send, send_hex, send_entry, expect, "
         "expect_entry, expect_mask, expect_regex, wait or prompt"},
        {"empty prompt", kHead + "[[step]]\nprompt = \"\"\n",
         "plan.toml:4:10: prompt needs a text to show"},
        {"checksum_ascii alone", kHead + "[[step]]\nexpect = \"A\"\nchecksum_ascii = true\n",
         "plan.toml:5:18: checksum_ascii goes with checksum"},
        {"a name twice", kStep + "name = \"a\"\n[[step]]\nname = \"a\"\nwait = 5\n",
         "plan.toml:7:8: name \"a\": another [[step]] has this name; each needs its own"},
        {"a name with a tab", kStep + "name = \"a\\tb\"\n",
         "plan.toml:5:8: name \"a\\tb\": a name needs a character and holds no control "
         "characters"},
        // Fields, measures and captures.
        {"field without type", kStep + "field.v = { at = 1 }\n",
         "plan.toml:5:11: field.v needs at and type, e.g. { at = 3, type = \"u16be\" }"},
        {"field type", kStep + "field.v = { at = 1, type = \"u17\" }\n",
         "plan.toml:5:28: field.v.type is one of u8 s8 u16be u16le s16be s16le u32be u32le "
         "s32be s32le, not \"u17\""},
        {"field offset", kStep + "field.v = { at = -1, type = \"u16be\" }\n",
         "plan.toml:5:18: field.v.at: offset -1 leaves no room for u16be's 2 bytes before the "
         "answer's end: give -2 or less (-1 is the last byte)"},
        {"field name", kStep + "field.2v = { at = 1, type = \"u8\" }\n",
         "plan.toml:5:7: field.2v: '2v' is not a value name: a letter or _ first, then letters, "
         "digits or _, up to 64"},
        {"field limits", kStep + "field.v = { at = 1, type = \"u8\", min = 5, max = 1 }\n",
         "plan.toml:5:40: field.v: the low limit 5 is above the high limit 1"},
        {"measure text", kStep + "measure.v = \"3.0\"\n",
         "plan.toml:5:13: measure.v \"3.0\": '3.0' is not a range LOW..HIGH; give "
         "NAME=LOW..HIGH [UNIT], e.g. vbat=3.0..4.2 V; either limit may be left out (..4.2, "
         "3.0.., ..)"},
        {"measure number", kStep + "measure.v = 3\n",
         "plan.toml:5:13: measure.v takes a range such as \"3.0..4.2 V\" or { min = 3.0, max = "
         "4.2, unit = \"V\" }, not 3"},
        {"measure limit not finite", kStep + "measure.v = { max = inf }\n",
         "plan.toml:5:21: measure.v.max takes a number, not inf"},
        {"capture name", kStep + "capture = [\"sn\", \"s\\nn\"]\n",
         "plan.toml:5:18: capture \"s\\nn\": 's\\x0An' is not a value name: a letter or _ first, "
         "then letters, digits or _, up to 64"},
        // The plan as a whole.
        {"no step", kHead, "plan.toml:1:1: a plan needs at least one [[step]]"},
        {"[step] for [[step]]", kHead + "[step]\nsend = \"A\"\n",
         "plan.toml:3:1: step takes [[step]] tables, not a table"},
        {"no name", "[plan]\nversion = 1\n[[step]]\nwait = 1\n",
         "plan.toml:1:1: [plan] needs a name, e.g. [plan] name = \"S3 sensor board\""},
        {"no [plan]", "[[step]]\nwait = 1\n",
         "plan.toml:1:1: a plan needs a name: [plan] name = \"S3 sensor board\""},
        {"slot without path", kStep + "[[slot]]\nname = \"A1\"\n",
         "plan.toml:5:1: [[slot]] needs a name and a path, e.g. name = \"A1\", path = "
         "\"/dev/serial/by-path/...\""},
        {"slot named twice",
         kStep + "[[slot]]\nname = \"A1\"\npath = \"/dev/a\"\n[[slot]]\nname = \"A1\"\n"
                 "path = \"/dev/b\"\n",
         "plan.toml:9:8: name \"A1\": another [[slot]] has this name"},
        {"two slots on one port",
         kStep + "[[slot]]\nname = \"A1\"\npath = \"/dev/a\"\n[[slot]]\nname = \"A2\"\n"
                 "path = \"/dev/a\"\n",
         "plan.toml:10:8: path \"/dev/a\": another [[slot]] has this port"},
        {"slot name with a blank", kStep + "[[slot]]\nname = \"A 1\"\npath = \"/dev/a\"\n",
         "plan.toml:6:8: name \"A 1\": a slot's name needs a character and holds no blanks or "
         "control characters"},
    };
    for (const BadPlan& bad : plans) {
        std::string error;
        EXPECT_FALSE(Load(bad.text, error)) << bad.name;
        EXPECT_EQ(error, bad.error) << bad.name;
    }
}

// ResolveStep's messages lead with the plan's place of the value at fault.
TEST(PlanFile, ResolveStepPointsIntoThePlan) {
    const BadPlan plans[] = {
        {"bad mask", kHead + "[[step]]\nexpect_mask = \"01 0G\"\n",
         "plan.toml:4:15: expect_mask \"01 0G\": character 4: \"0G\" is not a pair; a pair is two "
         "hex "
         "digits (5F), ?? for any byte, or a digit and ? (A?, ?5)"},
        {"unknown checksum", kHead + "[[step]]\nexpect = \"A\"\nchecksum = \"CRC-99\"\n",
         "plan.toml:5:12: checksum \"CRC-99\": not a checksum name; the names are "
         "CRC-16/MODBUS, CRC-16/IBM-3740, CRC-16/XMODEM, CRC-16/KERMIT, CRC-16/ARC, "
         "CRC-8/SMBUS, CRC-8/MAXIM-DOW, CRC-32/ISO-HDLC, SUM-8, XOR-8, LRC-8, or "
         "CRC:width,poly,init,refin,refout,xorout (the catalogue's aliases, such as "
         "CRC-16/CCITT-FALSE or CRC-32, too)"},
        {"a measure of nothing", kHead + "[[step]]\nexpect = \"A\"\nmeasure.v = \"..\"\n",
         "plan.toml:5:13: measure.v: v is neither a field (--field) nor a named group of the "
         "pattern (--expect-regex '(?<v>...)')"},
        {"an end on a mask", kHead + "[[step]]\nexpect_mask = \"41\"\nend = \"\\n\"\n",
         "plan.toml:5:7: end goes with a pattern (--expect-regex)"},
        {"the default end", "[defaults]\nend = '\\q'\n" + kHead + "[[step]]\nexpect_regex = 'A'\n",
         "plan.toml:2:7: end \"\\\\q\": character 1: \\q is not an escape; the escapes are "
         "\\r \\n \\t \\\\ and \\xHH"},
        {"a missing library", kHead + "[[step]]\nsend_entry = 2\n",
         "plan.toml:4:14: send_entry: missing library entry: send entry 2 is read from "
         "nowhere.ini, and there is no such file"},
    };
    const StepContext context{"nowhere.ini", "nowhere.ini", CommSettings{}};
    for (const BadPlan& bad : plans) {
        std::string error;
        const std::optional<PlanFile> plan = Load(bad.text, error);
        ASSERT_TRUE(plan) << bad.name << ": " << error;
        EXPECT_FALSE(ResolveStep(plan->steps[0], context, error)) << bad.name;
        EXPECT_EQ(error, bad.error) << bad.name;
    }
}

TEST(PlanFile, ReadsAFileAndNamesOneItCannotRead) {
    CurrentTempDir dir;
    std::filesystem::create_directory("plans");
    std::ofstream("plans/s3.toml") << "[plan]\nname = \"S3\"\nlibrary = \"Q.ini\"\n[[step]]\n"
                                      "wait = 5\n";
    std::string error;
    const std::optional<PlanFile> plan = LoadPlanFile("plans/s3.toml", error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->path, "plans/s3.toml");
    EXPECT_EQ(plan->library, "plans/Q.ini");
    EXPECT_EQ(plan->sha256, "d7cd7e79304ae9eb893b76b401910b805754f69ba97e15af2e046587de9e0e8a");

    EXPECT_FALSE(LoadPlanFile("nowhere.toml", error));
    EXPECT_EQ(error, "nowhere.toml: cannot read the plan: No such file or directory");
    EXPECT_FALSE(LoadPlanFile("plans", error));
    EXPECT_EQ(error, "plans: cannot read the plan: it is a folder");
    std::ofstream("plans/bad.toml") << "[plan]\nname = \"S3\"\n[[step]]\nwiat = 5\n";
    EXPECT_FALSE(LoadPlanFile("plans/bad.toml", error));
    EXPECT_EQ(error.rfind("plans/bad.toml:4:1: unknown key \"wiat\" in [[step]]; allowed: ", 0), 0u)
        << error;
}

}  // namespace
