// Test plans through the built tessaline-check: the test plays the device on
// a pseudo-terminal, step by step, and reads back what the program wrote.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CheckRuns.h"
#include "support/Pty.h"

namespace {

using namespace check_runs;

// Steps A, B and C each send their letter and expect it in lower case; the
// teardown T likewise. `more` goes into step B.
std::string Plan(const std::string& more) {
    return "[plan]\nname = \"letters\"\nversion = 3\n"
           "[defaults]\ntimeout = 300\nsettle = 0\n"
           "[[step]]\nname = \"A\"\nsend = \"A\"\nexpect = \"a\"\n"
           "[[step]]\nname = \"B\"\nsend = \"B\"\nexpect = \"b\"\n" +
           more +
           "\n[[step]]\nname = \"C\"\nsend = \"C\"\nexpect = \"c\"\n"
           "[[teardown]]\nname = \"T\"\nsend = \"T\"\nexpect = \"t\"\n";
}

// What the device does with each request, in order: the answer, "" for
// none, or "!" to send Ctrl-C to the program before answering with the rest.
struct Exchange {
    char request;
    std::string answer;
};

struct PlanCase {
    const char* name;
    std::string plan;
    std::vector<Exchange> script;
    int code;
    std::string verdict;
    std::string failedStep;
    std::string steps;  // "name:VERDICT:attempts" of steps then "|" teardown
};

std::string StepsOf(const QJsonObject& unit) {
    std::string out;
    for (const char* key : {"steps", "teardown"}) {
        if (!out.empty()) {
            out += "|";
        }
        for (const QJsonValue& v : unit.value(key).toArray()) {
            const QJsonObject s = v.toObject();
            out += s.value("name").toString().toStdString() + ":" +
                   s.value("verdict").toString().toStdString() + ":" +
                   std::to_string(s.value("attempts").toInt()) + " ";
        }
    }
    return out;
}

using CheckPlans = TempDirFixture;

TEST_F(CheckPlans, RunStepByStepWithRetriesTeardownAndStops) {
    // clang-format off
    const PlanCase cases[] = {
        {"every step passes", Plan(""), {{'A', "a"}, {'B', "b"}, {'C', "c"}, {'T', "t"}}, 0, "PASS", "", "A:PASS:1 B:PASS:1 C:PASS:1 |T:PASS:1 "},
        {"a failure skips to the teardown", Plan(""), {{'A', "a"}, {'B', "x"}, {'T', "t"}}, 1, "FAIL", "B", "A:PASS:1 B:FAIL:1 |T:PASS:1 "},
        {"retry, then a pass", Plan("retries = 1"), {{'A', "a"}, {'B', ""}, {'B', "b"}, {'C', "c"}, {'T', "t"}}, 0, "PASS", "", "A:PASS:1 B:PASS:2 C:PASS:1 |T:PASS:1 "},
        {"on after a failure", Plan("on_fail = \"continue\""), {{'A', "a"}, {'B', "x"}, {'C', "c"}, {'T', "t"}}, 1, "FAIL", "B", "A:PASS:1 B:FAIL:1 C:PASS:1 |T:PASS:1 "},
        {"silent: a timeout, the teardown still runs", Plan(""), {{'A', ""}, {'T', "t"}}, 2, "TIMEOUT", "A", "A:TIMEOUT:1 |T:PASS:1 "},
        // Ctrl-C lets step B end, skips C and runs the teardown.
        {"Ctrl-C mid-unit", Plan(""), {{'A', "a"}, {'B', "!b"}, {'T', "t"}}, 1, "FAIL", "C", "A:PASS:1 B:PASS:1 |T:PASS:1 "},
    };
    // clang-format on
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile("letters.toml", c.plan);
        Pty pty;
        ChildProcess check(CommandLine({"--plan", "letters.toml", "--port", "PORT", "--log",
                                        "units.jsonl", "--junit", "units.xml", "--quiet"},
                                       pty.path()),
                           ChildProcess::Options{true, std::nullopt});
        for (const Exchange& e : c.script) {
            ASSERT_EQ(pty.Read(kPatience, 1), BytesOf(std::string(1, e.request)));
            std::string answer = e.answer;
            if (!answer.empty() && answer[0] == '!') {
                check.Signal(SIGINT);
                answer.erase(0, 1);
                // The signal reaches the program before the answer does.
                usleep(200000);
            }
            pty.Write(answer);
        }
        const Ran ran = Finish(check);
        EXPECT_EQ(ran.code, c.code) << ran.out << ran.err;
        const std::string text = ReadFile("units.jsonl");
        const QJsonObject unit = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
        EXPECT_EQ(unit.value("verdict").toString().toStdString(), c.verdict) << text;
        EXPECT_EQ(unit.value("failed_step").toString().toStdString(), c.failedStep);
        EXPECT_EQ(StepsOf(unit), c.steps);
        EXPECT_EQ(unit.value("plan").toObject().value("version").toString(), "3");
        // The JUnit report: one test case per step, failures for the rest.
        QXmlStreamReader xml(QByteArray::fromStdString(ReadFile("units.xml")));
        int cases = 0;
        int failures = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement) {
                cases += xml.name() == u"testcase";
                failures += xml.name() == u"failure";
            }
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        // A unit stopped before a step has a failing case for that step.
        const bool stopped = c.failedStep == "C";
        EXPECT_EQ(cases, std::count(c.steps.begin(), c.steps.end(), ' ') + (stopped ? 1 : 0));
        EXPECT_EQ(failures, c.verdict == "PASS" ? 0 : 1);
        std::remove("units.jsonl");
    }
}

// A plan's faults are refused before any unit, with the file, line and
// column of the value at fault.
TEST_F(CheckPlans, RefusedBeforeAnyUnitWithTheirPosition) {
    struct Bad {
        std::string plan;
        std::string err;
    };
    const Bad bads[] = {
        {"[plan]\nname = \"x\"\n[[step]]\nname = \"A\"\nsend = \"A\"\nexpect = \"a\"\n"
         "retrys = 2\n",
         "p.toml:7:1: unknown key \"retrys\" in [[step]]"},
        {"[plan]\nname = \"x\"\n[[step]]\nsend = \"A\"\nexpect_regex = 'V=(?<v>[0-9]'\n",
         "p.toml:5:16: expect_regex"},
        {"[plan]\nname = \"x\"\n[[step]]\nprompt = \"Press reset\"\n",
         "p.toml: step \"step 1\" shows a prompt, which needs an operator at a terminal"},
    };
    Device device({"--echo"});
    for (const Bad& b : bads) {
        WriteFile("p.toml", b.plan);
        const Ran ran =
            RunCheck({"--plan", "p.toml", "--port", "PORT", "--log", "never.csv"}, device.port);
        EXPECT_EQ(ran.code, 3) << ran.err;
        EXPECT_EQ(ran.err.rfind("tessaline-check: " + b.err, 0), 0u) << ran.err;
        EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
    }
    EXPECT_FALSE(std::filesystem::exists("never.csv"));
}

// The examples pass against the devices their scripts play, and their
// records hold a column per value.
TEST_F(CheckPlans, ExamplesPassAgainstTheirDevices) {
    // The scripts take the programs of this build.
    setenv("TESSALINE_BIN", TESSALINE_TOOLS_DIR, 1);
    for (const std::string example : {"modbus-rtu", "at-modem"}) {
        SCOPED_TRACE(example);
        ChildProcess run({TESSALINE_EXAMPLES_PATH "/" + example + ".sh", "--repeat", "3", "--quiet",
                          "--log", example + ".csv"},
                         ChildProcess::Options{true, std::nullopt});
        const Ran ran = Finish(run);
        EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
        const std::vector<std::vector<std::string>> rows = ParseCsv(ReadFile(example + ".csv"));
        ASSERT_EQ(rows.size(), 4u);
        const std::vector<std::string>& header = rows[0];
        EXPECT_EQ(header[12], "failed_step");
        const std::vector<std::string> values =
            example == "modbus-rtu" ? std::vector<std::string>{"serial", "vbat", "temp"}
                                    : std::vector<std::string>{"imei", "rssi", "ber"};
        EXPECT_EQ(std::vector<std::string>(header.begin() + 14, header.end()), values);
        EXPECT_EQ(rows[3][14], example == "modbus-rtu" ? "12345678" : "490154203237518");
    }
    // Four positions at once: a row per slot and round.
    ChildProcess four(
        {TESSALINE_EXAMPLES_PATH "/four-slots.sh", "--repeat", "2", "--quiet", "--log", "four.csv"},
        ChildProcess::Options{true, std::nullopt});
    const Ran ran = Finish(four);
    EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
    EXPECT_EQ(ParseCsv(ReadFile("four.csv")).size(), 1u + 4 * 2);
}

}  // namespace
