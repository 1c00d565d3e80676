// The built tessaline-check, run as a script runs it, against real
// pseudo-terminals: the simulated device answering, or the test playing the
// device where it must know when the request arrived.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/AsNobody.h"
#include "support/CheckRuns.h"
#include "support/ChildProcess.h"
#include "support/DeviceProcess.h"
#include "support/EventLoopWaits.h"
#include "support/LineSpeed.h"
#include "support/Pty.h"
#include "support/TempDir.h"
#include "tools/check/core/UnitIds.h"

namespace {

using namespace check_runs;

const Args kAnswered = {"--answer", "01 03", "AA BB"};
const Args kAsk = {"--port", "PORT", "--send-hex", "01 03", "--hex"};

class CheckProgram : public TempDirFixture {
protected:
    void SetUp() override {
        TempDirFixture::SetUp();
        signal(SIGPIPE, SIG_IGN);  // a check that ends early closes its input
    }
};

TEST(InputLines, EndLinesAtLfCrlfOrALoneCrHoweverTheInputIsCut) {
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;  // "(rest)" marks the last line without an end
    };
    const Case cases[] = {
        {{"SN1\nSN2\n"}, {"SN1", "SN2"}},
        {{"SN1\r\n\r\nSN2"}, {"SN1", "", "SN2(rest)"}},
        {{"SN1\r", "\nSN2\r", "SN3\n"}, {"SN1", "SN2", "SN3"}},
        {{"S", "N1", "\r", "\r\n"}, {"SN1", ""}},
        {{"\n\n"}, {"", ""}},
    };
    for (const Case& c : cases) {
        InputLines input;
        std::vector<std::string> lines;
        for (const std::string& piece : c.pieces) {
            input.Append(piece.data(), piece.size());
            while (std::optional<std::string> line = input.Next()) {
                lines.push_back(*line);
            }
        }
        if (std::optional<std::string> rest = input.Rest()) {
            lines.push_back(*rest + "(rest)");
        }
        EXPECT_EQ(lines, c.lines) << c.pieces.front();
    }
}

TEST_F(CheckProgram, DecidesEachUnitAgainstTheDevice) {
    struct Case {
        const char* name;
        Args device;
        Args check;
        int code;
        std::vector<std::string> out;  // parts of standard output
    };
    const Case cases[] = {
        {"pass", kAnswered, Plus(kAsk, {"--expect", "AA BB"}), 0, {"unit 1: PASS in ", "1 passed"}},
        {"wrong answer",
         kAnswered,
         Plus(kAsk, {"--expect", "AA BC"}),
         1,
         {"unit 1: FAIL in ", "first difference at character 4", "1 failed"}},
        {"no answer",
         kAnswered,
         {"--port", "PORT", "--send-hex", "01 04", "--expect", "AA BB", "--timeout", "200"},
         2,
         {"unit 1: TIMEOUT after ", "received  nothing", "1 timed out"}},
        {"answer in four reads",
         {"--answer", "01", "AA BB CC DD", "--split", "1"},
         {"--port", "PORT", "--send-hex", "01", "--expect", "AABBCCDD", "--hex"},
         0,
         {"PASS", "received AA BB CC DD"}},
        // CC comes after each verdict, the next request at once: left over,
        // it would fail the next unit.
        {"bytes after the verdict",
         {"--answer", "01", "AA BB CC", "--split", "1"},
         {"--port", "PORT", "--send-hex", "01", "--expect", "AA BB", "--hex", "--repeat", "3"},
         0,
         {"unit 3: PASS", "trailing CC", "3 passed, 0 failed"}},
        {"line end a few ms after the answer",
         {"--answer", "51", "4F 4B 0D 0A", "--split", "2"},
         {"--port", "PORT", "--send", "Q", "--expect", "OK", "--repeat", "20"},
         0,
         {"unit 20: PASS", "received 4F 4B, trailing 0D 0A", "20 passed, 0 failed"}},
        // Each answer comes after its unit's timeout: never the next unit's.
        {"late answers",
         {"--answer", "51", "4F 4B", "--delay", "250"},
         {"--port", "PORT", "--send", "Q", "--expect", "OK", "--timeout", "200", "--repeat", "6"},
         2,
         {"unit 6: TIMEOUT after ", "received nothing, late 4F 4B",
          "0 passed, 0 failed, 6 timed out"}},
        {"250000 baud",
         kAnswered,
         Plus(kAsk, {"--expect", "AA BB", "--settings", "250000,n,8,1"}),
         0,
         {"PASS"}},
        {"characters, blanks ignored",
         {"--echo"},
         {"--port", "PORT", "--send", "PING", "--expect", "PI NG"},
         0,
         {"PASS"}},
        {"listening only",
         {"--send", "AA BB", "--every", "20"},
         {"--port", "PORT", "--expect", "AA BB", "--hex", "--repeat", "2"},
         0,
         {"2 passed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device device(c.device);
        const Ran ran = RunCheck(c.check, device.port);
        EXPECT_EQ(ran.code, c.code) << ran.out << ran.err;
        for (const std::string& part : c.out) {
            EXPECT_TRUE(Has(ran.out, part)) << part << " in\n" << ran.out;
        }
        EXPECT_EQ(ran.err, "");
    }
}

// A port given by a relative name is the file it names here: a link in the
// folder opens, as the window opens it.
TEST_F(CheckProgram, RelativePortNamesAreFilesHere) {
    Device device(kAnswered);
    ASSERT_EQ(symlink(device.port.c_str(), "mydev"), 0);
    const Ran ran = RunCheck(Plus(kAsk, {"--expect", "AA BB"}), "mydev");
    EXPECT_EQ(ran.code, 0) << ran.err;
}

// The rate is put on the line itself (termios2 for rates without a constant)
// and the pseudo-terminal keeps it while the program has the port.
TEST_F(CheckProgram, PutsAnyBaudRateOnThePort) {
    for (unsigned rate : {115200u, 250000u, 921600u}) {
        Pty pty;
        ChildProcess check(CommandLine(Plus(kAsk, {"--expect", "AA", "--settings",
                                                   std::to_string(rate) + ",n,8,1"}),
                                       pty.path()),
                           ChildProcess::Options{true, std::nullopt});
        ASSERT_EQ(pty.Read(kPatience, 2), BytesOf("\x01\x03"));
        EXPECT_EQ(LineSpeed(pty.slave()), rate);
        pty.Write("\xAA");
        const Ran ran = Finish(check);
        EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
    }
}

TEST_F(CheckProgram, RefusesBeforeAnyUnitWithOneLineAndExit3) {
    struct Case {
        Args args;
        std::string err;  // part of the line; "PORT" for the device's path
    };
    WriteFile("lib.ini", "[Current Data Term1]\r\nData=AA\r\n");
    const Case cases[] = {
        {{"--port", "/dev/does-not-exist", "--send-hex", "01 03", "--expect", "AA BB"},
         "tessaline-check: No such device: /dev/does-not-exist (No such file or directory)\n"},
        {Plus(kAsk, {"--expect", "AA", "--bogus"}), "Unknown option 'bogus'"},
        {{"--port", "PORT", "--send-hex", "01 0G", "--expect", "AA"},
         "\"0G\" at position 4 is not a pair of hex digits"},
        {Plus(kAsk, {"--expect", "AA", "--settings", "9600,n,9,1"}), "the data bits are 4 to 8"},
        // What no UART sends is refused before the log is created.
        {Plus(kAsk, {"--expect", "AA", "--settings", "9600,n,8,1.5", "--log", "never.csv"}),
         "--settings 9600,n,8,1.5: 1.5 stop bits need 5 data bits"},
        {Plus(kAsk, {"--expect", "AA", "--settings", "9600,n,5,2", "--log", "never.csv"}),
         "--settings 9600,n,5,2: 2 stop bits need 6 to 8 data bits"},
        {Plus(kAsk, {"--expect", "AA", "--settings", "9600,n,4,1", "--log", "never.csv"}),
         "--settings 9600,n,4,1: a serial port sends 5 to 8 data bits"},
        // A path's control characters never reach the terminal live.
        {{"--port", "/dev/\x1b[31mred", "--expect", "AA"}, "No such device: /dev/\\x1B[31mred"},
        {Plus(kAsk, {"--expect-entry", "2", "--library", "lib.ini"}),
         "missing library entry: lib.ini has no Data in [Current Data Term2]"},
        {Plus(kAsk, {"--expect-entry", "1", "--library", "."}), "unreadable library file"},
        {Plus(kAsk, {"--expect", "AA", "--log", "no-such-folder/units.csv"}),
         "cannot open log no-such-folder/units.csv: No such file or directory"},
    };
    Device device(kAnswered);
    for (const Case& c : cases) {
        const Ran ran = RunCheck(c.args, device.port);
        std::string err = c.err;
        if (const size_t at = err.find("PORT"); at != std::string::npos) {
            err.replace(at, 4, device.port);
        }
        EXPECT_EQ(ran.code, 3) << ran.err;
        EXPECT_TRUE(Has(ran.err, err)) << err << " in " << ran.err;
        EXPECT_EQ(ran.err.rfind("tessaline-check: ", 0), 0u) << ran.err;
        EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << "one line: " << ran.err;
        EXPECT_EQ(ran.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists("never.csv"));

    ChildProcess holder({TESSALINE_PORT_HOLDER_PATH, device.port});
    ASSERT_EQ(holder.ReadLine(kPatience), "held");
    const Ran busy = RunCheck(Plus(kAsk, {"--expect", "AA"}), device.port);
    EXPECT_EQ(busy.code, 3);
    EXPECT_TRUE(
        Has(busy.err, "Port already open: " + device.port + " is in use by another program"))
        << busy.err;
}

// Root may open anything: as root the test runs again as the user nobody.
TEST_F(CheckProgram, PortWithoutPermissionGivesTheDialoutHint) {
    if (RanAgainAsNobody()) {
        return;
    }
    Pty pty;
    ASSERT_EQ(chmod(pty.path().c_str(), 0), 0);
    const Ran ran = RunCheck(Plus(kAsk, {"--expect", "AA"}), pty.path());
    EXPECT_EQ(ran.code, 3);
    EXPECT_EQ(ran.err, "tessaline-check: Permission denied: " + pty.path() +
                           ". Join the dialout group (sudo usermod -aG dialout $USER) and log in "
                           "again.\n");
}

// A run cut short is never taken for a whole one: exit 3, and why.
TEST_F(CheckProgram, PortOrLogFailingMidRunStopsWithExit3) {
    Device device(kAnswered);
    ASSERT_EQ(symlink("/dev/full", "full.jsonl"), 0);
    const Ran full = RunCheck(
        Plus(kAsk, {"--expect", "AA BB", "--repeat", "3", "--log", "full.jsonl"}), device.port);
    EXPECT_EQ(full.code, 3);
    EXPECT_TRUE(Has(full.out, "unit 1: PASS")) << full.out;
    EXPECT_EQ(full.err,
              "tessaline-check: cannot write to the log full.jsonl: No space left on device; the "
              "run stopped after 1 unit\n");

    const Ran noRoom = RunCheckRedirected(Plus(kAsk, {"--expect", "AA BB", "--repeat", "3"}),
                                          device.port, ">/dev/full");
    EXPECT_EQ(noRoom.code, 3);
    EXPECT_EQ(noRoom.err,
              "tessaline-check: cannot write to standard output: No space left on device; the run "
              "stopped after 1 unit\n");
    // A reader that has had enough ends the run quietly, its units counted.
    Args piped =
        CommandLine(Plus(kAsk, {"--expect", "AA BB", "--repeat", "20000", "--json"}), device.port);
    piped.insert(piped.begin(),
                 {"/bin/bash", "-c", "\"$0\" \"$@\" | head -n 1; exit ${PIPESTATUS[0]}"});
    ChildProcess headed(piped, ChildProcess::Options{true, std::nullopt});
    const Ran head = Finish(headed);
    EXPECT_EQ(head.code, 0) << head.err;
    EXPECT_TRUE(Has(head.out, "\"verdict\":\"PASS\"")) << head.out;
    EXPECT_FALSE(Has(head.err, "20000 passed")) << head.err;

    Pty pty;
    ChildProcess check(CommandLine(Plus(kAsk, {"--expect", "AA", "--repeat", "3", "--interval",
                                               "200", "--timeout", "600000"}),
                                   pty.path()),
                       ChildProcess::Options{true, std::nullopt});
    ASSERT_EQ(pty.Read(kPatience, 2), BytesOf("\x01\x03"));
    pty.Write("\xAA");
    const std::string line = check.ReadLine(kPatience);
    EXPECT_TRUE(Has(line, "unit 1: PASS")) << line;
    // Unplugged while unit 2 waits for its answer: the unit ends at once,
    // not after its ten minutes, and the run stops.
    ASSERT_EQ(pty.Read(kPatience, 2), BytesOf("\x01\x03"));
    pty.CloseMaster();
    const Ran gone = Finish(check);
    EXPECT_EQ(gone.code, 3);
    EXPECT_TRUE(Has(gone.out, "unit 2: TIMEOUT")) << gone.out;
    EXPECT_EQ(gone.err, "tessaline-check: The device " + pty.path() +
                            " is gone; the run stopped after 2 units\n");
}

TEST_F(CheckProgram, LogsParseBackAndMatchTheSummaries) {
    struct Run {
        Args args;
        const char* summary;
        int units;
        const char* verdict;
        const char* received;
    };
    const Run runs[] = {
        {Plus(kAsk, {"--expect", "AA BB", "--repeat", "3"}), "3 passed, 0 failed, 0 timed out", 3,
         "PASS", "AA BB"},
        // Characters: the byte AA is not "A"; quotes and a comma to quote in CSV.
        {{"--port", "PORT", "--send-hex", "01 03", "--expect", "AA, \"BC\"", "--repeat", "2"},
         "0 passed, 2 failed, 0 timed out",
         2,
         "FAIL",
         "AA"},
        {{"--port", "PORT", "--send-hex", "01 04", "--expect", "AA", "--timeout", "200"},
         "0 passed, 0 failed, 1 timed out",
         1,
         "TIMEOUT",
         ""},
    };
    Device device(kAnswered);
    for (const std::string log : {"units.csv", "units.jsonl"}) {
        SCOPED_TRACE(log);
        std::vector<Record> expected;
        for (const Run& run : runs) {
            const Ran ran = RunCheck(Plus(run.args, {"--quiet", "--log", log}), device.port);
            EXPECT_EQ(ran.out.find('\n'), ran.out.size() - 1) << "the summary alone: " << ran.out;
            EXPECT_TRUE(Has(ran.out, run.summary)) << ran.out;
            for (int unit = 1; unit <= run.units; ++unit) {
                expected.push_back({{"verdict", run.verdict},
                                    {"received", run.received},
                                    {"unit", std::to_string(unit)}});
            }
        }
        const std::vector<Record> records = ReadLog(log);
        ASSERT_EQ(records.size(), expected.size());
        for (size_t i = 0; i < records.size(); ++i) {
            const Record& r = records[i];
            // JSON adds its "values" and "limits" objects.
            EXPECT_EQ(r.size(), log == "units.csv" ? 13u : 15u);
            for (const auto& [key, value] : expected[i]) {
                EXPECT_EQ(r.at(key), value) << key << " of record " << i;
            }
            EXPECT_EQ(r.at("port"), device.port);
            EXPECT_EQ(r.at("settings"), "9600,n,8,1");
            EXPECT_EQ(r.at("id"), "");
            EXPECT_EQ(r.at("time").size(), 29u) << r.at("time");
        }
        EXPECT_EQ(records[3].at("expected"), "AA, \"BC\"");
        EXPECT_EQ(records[5].at("sent"), "01 04");
    }
}

// Each matcher through the built program against the simulated device: a
// Modbus RTU read with its CRC, a pattern with values in both logs.
TEST_F(CheckProgram, MasksPatternsValuesAndChecksums) {
    const std::string request = "01 03 00 0A 00 02 E4 09";  // the CRC as Modbus RTU sends it
    const Args modbus = {"--port",        "PORT",
                         "--send-hex",    "01 03 00 0A 00 02",
                         "--checksum",    "CRC-16/MODBUS",
                         "--expect-mask", "01 03 04 ?? ?? ?? ??",
                         "--field",       "v=3:2:u16be*0.001",
                         "--measure",     "v=3.0..4.2 V",
                         "--hex"};
    struct Case {
        const char* name;
        std::string answer;
        int code;
        std::string line;  // part of the unit's line or its reason
    };
    const Case cases[] = {
        {"in range", "01 03 04 0E 1A 00 00 D9 1C", 0, "PASS in"},
        {"bad CRC", "01 03 04 0E 1A 00 00 D9 1D", 1, "  reason    checksum\n"},
        {"out of range", "01 03 04 10 D6 00 00 1F 0B", 1, "  reason    v 4.31 above 4.2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device device({"--answer", request, c.answer});
        const Ran ran = RunCheck(modbus, device.port);
        EXPECT_EQ(ran.code, c.code) << ran.out << ran.err;
        EXPECT_TRUE(Has(ran.out, c.line)) << ran.out;
        EXPECT_TRUE(Has(ran.out, "sent " + request)) << ran.out;
    }

    // 'SN?\r\n' answered with a serial number and a voltage.
    Device device({"--answer", "53 4E 3F 0D 0A",
                   "53 4E 3D 30 30 41 31 42 32 43 33 20 56 3D 33 2E 36 31 0D 0A"});
    for (const std::string log : {"sn.csv", "sn.jsonl"}) {
        const Ran ran = RunCheck({"--port", "PORT", "--send", "SN?\r\n", "--expect-regex",
                                  "SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+)", "--capture", "sn",
                                  "--measure", "vbat=3.0..4.2 V", "--repeat", "2", "--log", log},
                                 device.port);
        EXPECT_EQ(ran.code, 0) << ran.out << ran.err;
        EXPECT_TRUE(Has(ran.out, "vbat=3.61 V, sn=\"00A1B2C3\"")) << ran.out;
        const std::vector<Record> records = ReadLog(log);
        ASSERT_EQ(records.size(), 2u);
        if (log == "sn.csv") {
            EXPECT_EQ(records[1].at("sn"), "00A1B2C3");
            EXPECT_EQ(records[1].at("vbat"), "3.61");
            EXPECT_EQ(records[1].at("reason"), "");
        }
    }
    const std::string json = temp_files::ReadFile("sn.jsonl");
    EXPECT_TRUE(Has(json,
                    "\"values\":{\"vbat\":3.61,\"sn\":\"00A1B2C3\"},\"limits\":{\"vbat\":"
                    "{\"low\":3,\"high\":4.2,\"unit\":\"V\"}}}\n"))
        << json;
}

TEST_F(CheckProgram, UnitIdsFromStandardInput) {
    struct Case {
        std::string input;
        std::vector<std::string> ids;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {"SN1\nSN2\n", {"SN1", "SN2"}, 0, ""},
        {"SN1\r\n\r\nSN2", {"SN1", "SN1", "SN2"}, 0, ""},  // an empty line repeats the last id
        {"", {}, 4, ""},  // no unit ran: never read as "all passed"
        // One endless line costs neither time nor memory, and is no unit.
        {std::string(4'000'000, 'A') + "\nSN2\n",
         {"SN2"},
         3,
         "tessaline-check: unit id refused: longer than 1000 bytes\n"
         "tessaline-check: 1 unit id was refused, so not every unit was tested\n"},
        // Bytes that are no character are written out, never lost.
        {"\xff\xfeX\n", {"\\xFF\\xFEX"}, 0, ""},
    };
    Device device(kAnswered);
    for (const Case& c : cases) {
        std::remove("r.jsonl");
        const Ran ran =
            RunCheck(Plus(kAsk, {"--expect", "AA BB", "--ids-from-stdin", "--log", "r.jsonl"}),
                     device.port, c.input);
        EXPECT_EQ(ran.code, c.code) << ran.err;
        EXPECT_EQ(ran.err, c.err);
        std::vector<std::string> ids;
        for (const Record& r : ReadLog("r.jsonl")) {
            ids.push_back(r.at("id"));
            EXPECT_EQ(r.at("unit"), std::to_string(ids.size()));
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_TRUE(Has(ran.out, std::to_string(c.ids.size()) + " passed")) << ran.out;
    }
    // Standard input closed: as at its end, at once.
    const Ran closed = RunCheckRedirected(Plus(kAsk, {"--expect", "AA BB", "--ids-from-stdin"}),
                                          device.port, "<&-");
    EXPECT_EQ(closed.code, 4) << closed.err;
    EXPECT_TRUE(Has(closed.out, "no unit ran")) << closed.out;
}

// The test plays the device, so that it knows where the program is when the
// signal goes.
TEST_F(CheckProgram, StopSignalsEndTheRunAfterTheCurrentUnit) {
    struct Case {
        const char* name;
        Args more;
        std::string input;   // --ids-from-stdin: kept open after it
        bool answer;         // the test answers the first request
        bool afterUnitLine;  // the signals go after unit 1's line, else between its request and
                             // answer
        std::vector<int> stops;
        int code;
        std::string summary;
    };
    const Case cases[] = {
        {"during a unit that passes",
         {"--repeat", "5"},
         "",
         true,
         false,
         {SIGINT},
         0,
         "1 passed, 0 failed, 0 timed out"},
        {"during a unit that times out",
         {"--repeat", "5", "--timeout", "300"},
         "",
         false,
         false,
         {SIGTERM},
         2,
         "0 passed, 0 failed, 1 timed out"},
        {"twice: the unit is given up",
         {"--repeat", "5", "--timeout", "600000"},
         "",
         false,
         false,
         {SIGINT, SIGTERM},
         130,
         "no unit ran"},
        {"in the interval",
         {"--repeat", "5", "--interval", "600000"},
         "",
         true,
         true,
         {SIGINT},
         0,
         "1 passed"},
        {"waiting for a unit id",
         {"--ids-from-stdin"},
         "SN1\n",
         true,
         true,
         {SIGHUP},
         0,
         "1 passed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        ChildProcess check(CommandLine(Plus(Plus(kAsk, {"--expect", "AA"}), c.more), pty.path()),
                           ChildProcess::Options{true, std::nullopt});
        check.Write(c.input);
        ASSERT_EQ(pty.Read(kPatience, 2), BytesOf("\x01\x03"));
        std::string out;
        if (c.afterUnitLine) {
            pty.Write("\xAA");
            out = check.ReadLine(kPatience) + "\n";
            ASSERT_TRUE(Has(out, ": PASS")) << out;
        }
        for (int stop : c.stops) {
            check.Signal(stop);
        }
        // Answered only once signalled: an answer first could let unit 2
        // begin before the signal came.
        if (c.answer && !c.afterUnitLine) {
            pty.Write("\xAA");
        }
        const Ran ran = Finish(check, out);
        EXPECT_EQ(ran.code, c.code) << ran.out << ran.err;
        EXPECT_TRUE(Has(ran.out, c.summary)) << ran.out;
        EXPECT_TRUE(Has(ran.err, "interrupted after ")) << ran.err;
        EXPECT_FALSE(Has(ran.out, "unit 2")) << ran.out;
    }
}

}  // namespace
