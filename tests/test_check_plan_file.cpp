// Test plans as loaded from their TOML text: every key into the step options
// the command line also fills, [defaults] where they fit, and each fault as one
// line naming the plan's line and column.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// A step's fields and measures, in the order written: "vbat 3 u16be*0.001 V",
// "vbat 3..4.2 V".
std::vector<std::string> ValuesOf(const StepOptions& step) {
    std::vector<std::string> values;
    for (const FieldOption& f : step.fields) {
        std::ostringstream field;
        field << f.field.name << " " << f.field.offset << " " << FieldTypeName(f.field.type) << "*"
              << f.field.scale << " " << f.unit;
        values.push_back(field.str());
    }
    for (const MeasureOption& m : step.measures) {
        const MeasureLimits& l = m.limits;
        values.push_back(l.name + " " + (l.low ? l.low->text : "") + ".." +
                         (l.high ? l.high->text : "") + " " + l.unit);
    }
    return values;
}

TEST(PlanFile, LoadsTheExampleFieldByField) {
    std::string error;
    const std::optional<PlanFile> plan = Load(kExample, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->sha256, "bc70d4c368d930ce33550bb0d8fc3770e224ae8cd3f49ff259e5a6d173dd4780");
    EXPECT_EQ(plan->name + "/" + plan->version, "S3 sensor board/4");
    EXPECT_EQ(At(*plan->unitId), "^S3-[0-9]{6}$ @ plan.toml:4:11: unit_id");
    EXPECT_FALSE(plan->unitIdPattern->Match(ByteArray{'S', '3', '-', '1'}).matched);
    EXPECT_EQ(At(*plan->settings), "115200,n,8,1 @ plan.toml:8:12: settings");
    EXPECT_EQ(plan->flow, FlowControl::None);
    ASSERT_EQ(plan->steps.size(), 3u);
    ASSERT_EQ(plan->teardown.size(), 1u);

    const StepOptions& serial = plan->steps[0];
    EXPECT_EQ(At(serial.sendText), "SN?\r\n @ plan.toml:17:8: send");
    EXPECT_EQ(At(*serial.end), "\r\n @ plan.toml:13:7: end");  // where [defaults] gives it
    EXPECT_EQ(At(serial.captures.at(0)), "sn @ plan.toml:19:12: capture");
    EXPECT_EQ(serial.timeoutMs, 500);

    const StepOptions& battery = plan->steps[1];
    EXPECT_EQ(battery.send, SendSource::Hex);
    EXPECT_EQ(At(*battery.checksum), "CRC-16/MODBUS @ plan.toml:24:12: checksum");
    EXPECT_EQ(battery.expect, ExpectSource::Mask);
    EXPECT_FALSE(battery.end);  // a mask's answer has no end
    EXPECT_EQ(ValuesOf(battery),
              (std::vector<std::string>{"vbat 3 u16be*0.001 V", "vbat 3..4.2 V"}));
    EXPECT_EQ(battery.measures.at(0).origin, "plan.toml:26:14: field.vbat");
    EXPECT_EQ(battery.retries, 2);
    EXPECT_TRUE(battery.stopOnFail);

    EXPECT_EQ(plan->steps[2].waitMs, 200);
    const StepOptions& sleep = plan->teardown[0];
    EXPECT_EQ(sleep.name + " " + sleep.sendText.value + sleep.expectText.value,
              "sleep SLEEP\r\nOK");
    EXPECT_FALSE(sleep.end);  // only a pattern takes the default end

    // Every step of the example is one the runner can work out.
    const StepContext context{"Quorvix.ini", "Quorvix.ini", CommSettings{115200, 'n', 8, "1"}};
    for (const auto* list : {&plan->steps, &plan->teardown}) {
        for (const StepOptions& step : *list) {
            EXPECT_TRUE(ResolveStep(step, context, error)) << step.name << ": " << error;
        }
    }
}

TEST(PlanFile, AppliesDefaultsWhereTheyFitAndReadsEveryFormOfValue) {
    std::string error;
    const std::optional<PlanFile> p = Load(
        kHead + "[defaults]\ntimeout = 250\nsettle = 20\nretries = 3\non_fail = \"continue\"\n" +
            "hex = true\nchecksum = \"CRC-8\"\nchecksum_order = \"le\"\nidle = 40\n" +
            "[[step]]\nsend = \"A\"\nexpect = \"41\"\ntimeout = 9\nhex = false\n" +
            "[[step]]\nexpect_regex = 'x'\n" +
            "[[step]]\nexpect_regex = '(?<t>[-0-9.]+);(?<rh>[0-9.]+);(?<p>.*)'\n" +
            "measure.t = \"-40..85 °C\"\nmeasure.rh = { max = 95, unit = \"%\" }\n" +
            "measure.p = \"..\"\nfield.raw = { at = -2, type = \"s16le\" }\n" +
            "field.lo = { at = 0, type = \"U8\", min = -1.5, scale = 2.5 }\nend = '\\r\\n'\n" +
            "[[step]]\nprompt = \"Press reset\"\n[[teardown]]\nsend_entry = 2\nentry_hex = true\n",
        error);
    ASSERT_TRUE(p) << error;
    const StepOptions& own = p->steps[0];
    EXPECT_EQ(own.name, "step 1");
    EXPECT_EQ((std::vector<int>{own.timeoutMs, own.settleMs, own.retries}),
              (std::vector<int>{9, 20, 3}));
    EXPECT_FALSE(own.stopOnFail);
    EXPECT_FALSE(own.hex);  // its own false wins over the default
    EXPECT_EQ(own.checksum->value + " " + own.checksumOrder->value, "CRC-8 le");
    EXPECT_FALSE(own.idleMs);       // not a pattern
    EXPECT_FALSE(p->steps[1].hex);  // a pattern reads text
    EXPECT_EQ(At(*p->steps[1].idleMs), "40 @ plan.toml:11:8: idle");
    // Its own end replaces the default idle, which would never be used.
    const StepOptions& values = p->steps[2];
    EXPECT_FALSE(values.idleMs);
    EXPECT_EQ(values.end->value, "\\r\\n");  // a literal string: ResolveStep reads it
    EXPECT_EQ(ValuesOf(values),
              (std::vector<std::string>{"raw -2 s16le*1 ", "lo 0 u8*2.5 ", "t -40..85 °C",
                                        "rh ..95 %", "p .. ", "lo -1.5.. "}));
    EXPECT_FALSE(p->steps[3].checksum || p->steps[3].hex);  // a prompt
    const StepOptions& entry = p->teardown[0];
    EXPECT_EQ(entry.name, "teardown 1");
    EXPECT_EQ(At(entry.sendEntry), "2 @ plan.toml:30:14: send_entry");
    EXPECT_FALSE(entry.checksum);  // nothing to check it on
}

// A fault is found when the plan loads, or when ResolveStep works out its
// first step; either way the message leads with the place of the value at fault.
TEST(PlanFile, RefusesEachFaultInOneLineNamingItsLineAndColumn) {
    const struct {
        const char* name;
        std::string text;
        std::string error;  // the whole line
    } plans[] = {
        {"syntax", kHead + "[[step]]\nsend = \"A\nexpect = 1\n",
         "plan.toml:4:10: Error while parsing string: unescaped control characters other than TAB "
         "(U+0009) are explicitly prohibited"},
        {"misspelt key", kStep + "retrys = 2\n",
         "plan.toml:5:1: unknown key \"retrys\" in [[step]]; allowed: name, send, send_hex, "
         "send_entry, entry_hex, expect, expect_entry, hex, expect_mask, expect_regex, end, idle, "
         "field, measure, capture, checksum, checksum_order, checksum_range, checksum_ascii, "
         "timeout, settle, retries, on_fail, wait, prompt"},
        {"timeout as text", kStep + "timeout = \"500\"\n",
         "plan.toml:5:11: timeout takes whole milliseconds from 1 to 3600000, not \"500\""},
        {"too many retries", kStep + "retries = 101\n",
         "plan.toml:5:11: retries takes a whole number from 0 to 100, not 101"},
        {"bad unit_id", "[plan]\nname = \"p\"\nunit_id = '^S3-['\n[[step]]\nwait = 1\n",
         "plan.toml:3:11: unit_id \"^S3-[\": at the end of the pattern: missing terminating ] "
         "for character class"},
        {"two sends", kStep + "send_hex = \"41\"\n",
         "plan.toml:5:12: send_hex does not go with send: choose at most one of send, send_hex "
         "and send_entry"},
        {"nothing to do", kHead + "[[step]]\nname = \"x\"\ntimeout = 5\n",
         "plan.toml:3:1: [[step]] has nothing to do: give it send, send_hex, send_entry, expect, "
         "expect_entry, expect_mask, expect_regex, wait or prompt"},
        {"field type", kStep + "field.v = { at = 1, type = \"u17\" }\n",
         "plan.toml:5:28: field.v.type is one of u8 s8 u16be u16le s16be s16le u32be u32le "
         "s32be s32le, not \"u17\""},
        {"no step", kHead, "plan.toml:1:1: a plan needs at least one [[step]]"},
        {"no name", "[plan]\nversion = 1\n[[step]]\nwait = 1\n",
         "plan.toml:1:1: [plan] needs a name, e.g. [plan] name = \"S3 sensor board\""},
        {"two slots on one port",
         kStep + "[[slot]]\nname = \"A1\"\npath = \"/dev/a\"\n[[slot]]\nname = \"A2\"\n"
                 "path = \"/dev/a\"\n",
         "plan.toml:10:8: path \"/dev/a\": another [[slot]] has this port"},
        // Found by ResolveStep.
        {"bad mask", kHead + "[[step]]\nexpect_mask = \"01 0G\"\n",
         "plan.toml:4:15: expect_mask \"01 0G\": character 4: \"0G\" is not a pair; a pair is two "
         "hex digits (5F), ?? for any byte, or a digit and ? (A?, ?5)"},
        {"unknown checksum", kHead + "[[step]]\nexpect = \"A\"\nchecksum = \"CRC-99\"\n",
         "plan.toml:5:12: checksum \"CRC-99\": not a checksum name; the names are "
         "CRC-16/MODBUS, CRC-16/IBM-3740, CRC-16/XMODEM, CRC-16/KERMIT, CRC-16/ARC, "
         "CRC-8/SMBUS, CRC-8/MAXIM-DOW, CRC-32/ISO-HDLC, SUM-8, XOR-8, LRC-8, or "
         "CRC:width,poly,init,refin,refout,xorout (the catalogue's aliases, such as "
         "CRC-16/CCITT-FALSE or CRC-32, too)"},
        {"a measure of nothing", kHead + "[[step]]\nexpect = \"A\"\nmeasure.v = \"..\"\n",
         "plan.toml:5:13: measure.v: v is neither a field (--field) nor a named group of the "
         "pattern (--expect-regex '(?<v>...)')"},
        {"the default end", "[defaults]\nend = '\\q'\n" + kHead + "[[step]]\nexpect_regex = 'A'\n",
         "plan.toml:2:7: end \"\\\\q\": character 1: \\q is not an escape; the escapes are "
         "\\r \\n \\t \\\\ and \\xHH"},
        {"a missing library", kHead + "[[step]]\nsend_entry = 2\n",
         "plan.toml:4:14: send_entry: missing library entry: send entry 2 is read from "
         "nowhere.ini, and there is no such file"},
    };
    const StepContext context{"nowhere.ini", "nowhere.ini", CommSettings{}};
    for (const auto& bad : plans) {
        std::string error;
        const std::optional<PlanFile> plan = Load(bad.text, error);
        EXPECT_FALSE(plan && ResolveStep(plan->steps[0], context, error)) << bad.name;
        EXPECT_EQ(error, bad.error) << bad.name;
    }
}

TEST(PlanFile, ReadsAFileAndNamesOneItCannotRead) {
    CurrentTempDir dir;
    std::filesystem::create_directory("plans");
    std::ofstream("plans/s3.toml") << "[plan]\nname = \"S3\"\nversion = 12\nlibrary = \"Q.ini\"\n"
                                      "[port]\nflow = \"rtscts\"\n[[step]]\nexpect = \"OK\"\n"
                                      "[[slot]]\nname = \"A1\"\npath = \"/dev/ttyUSB1\"\n";
    std::string error;
    const std::optional<PlanFile> plan = LoadPlanFile("plans/s3.toml", error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->path + " " + plan->version + " " + plan->library,
              "plans/s3.toml 12 plans/Q.ini");
    EXPECT_EQ(plan->sha256, "cbf49a48ec3d26741cf361909b9646a440f5991f2b44632030c8e3cda9ce4337");
    EXPECT_EQ(plan->flow, FlowControl::RtsCts);
    EXPECT_EQ(plan->steps[0].send, SendSource::Nothing);  // a step may only listen
    ASSERT_EQ(plan->fixtureSlots.size(), 1u);
    EXPECT_EQ(plan->fixtureSlots[0].name + " " + At(plan->fixtureSlots[0].path),
              "A1 /dev/ttyUSB1 @ plans/s3.toml:11:8: path");

    EXPECT_FALSE(LoadPlanFile("nowhere.toml", error));
    EXPECT_EQ(error, "nowhere.toml: cannot read the plan: No such file or directory");
    EXPECT_FALSE(LoadPlanFile("plans", error));
    EXPECT_EQ(error, "plans: cannot read the plan: it is a folder");
}

}  // namespace
