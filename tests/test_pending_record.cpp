// The pending file: its JSON lines read back whole, lines that are no
// record, and the file itself (a line cut short, private permissions, what
// stays when sending stops).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/ResultsSamples.h"
#include "support/TempDir.h"
#include "tools/check/database/PendingFile.h"
#include "tools/check/database/PendingRecord.h"

namespace {

using std::chrono::milliseconds;

// The detailed unit, numbered with the largest whole number a JSON number
// holds exactly, in a run that has ended.
PendingRecord FullRecord() {
    RunInfo run = DetailedRun();
    run.end = kDetailedStart + milliseconds(5000);
    UnitResult unit = DetailedUnit();
    unit.unit = 9007199254740991;
    unit.steps[1].values[1].low = -std::numeric_limits<double>::infinity();
    return {{"5f0c6a2e-0d3b-4a53-9f00-6f2b1d7f3c11", run},
            StoredUnit{"0b1d2c3e-4f50-4a6b-8c7d-9e0f1a2b3c4d", unit}};
}

// Written out in full: a pending file may be read by a later version.
TEST(PendingRecord, EveryFieldComesBack) {
    const std::string line =
        R"({"pending":1,"run":{"end":"2025-03-14T08:26:58.589Z","plan_name":"S3 board",)"
        R"("plan_sha256":"eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee",)"
        R"("plan_version":"4","start":"2025-03-14T08:26:53.589Z","station":"st-1",)"
        R"("uuid":"5f0c6a2e-0d3b-4a53-9f00-6f2b1d7f3c11"},)"
        R"("unit":{"end":"2025-03-14T08:26:53.910Z","failed_step":"battery","id":"工位","ms":320.75,)"
        R"("number":9007199254740991,"reason":"mismatch at byte 3","retest":2,"slot":"A1",)"
        R"("start":"2025-03-14T08:26:53.589Z","steps":[{"attempts":1,"late":"","ms":12.5,)"
        R"("name":"serial number","reason":"","received":"53 4E 3D 30 41","sent":"53 4E 3F 0D 0A",)"
        R"("start":"2025-03-14T08:26:53.590Z","trailing":"","values":[{"judged":false,"name":"sn",)"
        R"("text":"0A","unit":""}],"verdict":"PASS"},{"attempts":3,"late":"","ms":0.25,)"
        R"("name":"battery","reason":"mismatch at byte 3)"
        "\xEF\xBF\xBD"
        R"(","received":"01 04 02 0C",)"
        R"("sent":"01 04 00 00 00 01 31 CA","start":"2025-03-14T08:26:53.609Z","trailing":"E4",)"
        R"("values":[{"high":4.2,"judged":true,"low":3,"name":"vbat","number":3.3,"text":"",)"
        R"("unit":"V"},{"high":"Infinity","judged":true,"low":"-Infinity","name":"odd",)"
        R"("number":"NaN","text":"","unit":""}],"verdict":"FAIL"},{"attempts":0,"late":"","ms":0,)"
        R"("name":"settle","reason":"","received":"","sent":"","start":"1970-01-01T00:00:00.000Z",)"
        R"("trailing":"","values":[],"verdict":""}],"teardown":[{"attempts":1,"late":"4F 4B",)"
        R"("ms":20,"name":"sleep","reason":"no answer","received":"","sent":"53 4C",)"
        R"("start":"2025-03-14T08:26:53.889Z","trailing":"","values":[],"verdict":"TIMEOUT"}],)"
        R"("uuid":"0b1d2c3e-4f50-4a6b-8c7d-9e0f1a2b3c4d","verdict":"FAIL"}})"
        "\n";
    EXPECT_EQ(EncodePendingRecord(FullRecord()), line);
    const auto back = DecodePendingRecord(line);
    ASSERT_TRUE(back);
    // Each field read back into its place writes the same line again.
    EXPECT_EQ(EncodePendingRecord(*back), line);
    EXPECT_TRUE(std::isnan(back->unit->result.steps[1].values[1].number.value()));
}

TEST(PendingRecord, LinesThatAreNoRecordAreRefused) {
    const std::string good = EncodePendingRecord(FullRecord());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string line = good;
        const size_t at = line.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? line : line.replace(at, from.size(), to);
    };
    const std::string bad[] = {
        "",
        "not json",
        good.substr(0, good.size() / 2),  // cut short by a crash
        replaced("\"pending\":1", "\"pending\":2"),
        replaced("\"uuid\":\"5f0c6a2e-0d3b-4a53-9f00-6f2b1d7f3c11\"", "\"uuid\":\"\""),
        replaced("\"start\":\"2025-03-14T08:26:53.589Z\"", "\"start\":\"2025-03-14 08:26\""),
        replaced("\"start\":\"2025-03-14T08:26:53.589Z\"",
                 "\"start\":\"1066-10-14T09:00:00.000Z\""),
        replaced("\"sent\":\"01 04 00 00 00 01 31 CA\"", "\"sent\":\"01 4G\""),
        replaced("\"verdict\":\"FAIL\"", "\"verdict\":\"MAYBE\""),
        replaced("\"retest\":2", "\"retest\":\"2\""),
        replaced("\"retest\":2", "\"retest\":2.5"),
        replaced("\"attempts\":3", "\"attempts\":4294967296"),
        replaced("\"judged\":true", "\"judged\":1"),
        replaced("\"number\":\"NaN\"", "\"number\":\"many\""),
        replaced("\"steps\":[", "\"steps\":{\"x\":["),
    };
    for (const std::string& line : bad) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(DecodePendingRecord(line));
    }
}

PendingRecord RunEnd(const std::string& uuid) {
    PendingRecord record;
    record.run.uuid = uuid;
    record.run.info.start = kDetailedStart;
    record.run.info.end = kDetailedStart;
    return record;
}

class PendingFileTest : public TempDirFixture {};

TEST_F(PendingFileTest, AppendedRecordsArePrivateAndSentInOrder) {
    PendingFile file((dir() / "state" / "tessaline" / "p.jsonl").string());
    for (const char* uuid : {"a", "b", "c"}) {
        ASSERT_EQ(file.Append(RunEnd(uuid)), "");
    }
    struct stat info {};
    ASSERT_EQ(stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((dir() / "state" / "tessaline").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // The second record fails: it and the third stay, in their order.
    std::string seen;
    auto outcome = file.SendAll([&](const PendingRecord& r, std::string& error) {
        seen += r.run.uuid;
        error = "server gone";
        return r.run.uuid != "b";
    });
    EXPECT_EQ(seen, "ab");
    EXPECT_EQ(outcome.sent, 1);
    EXPECT_EQ(outcome.kept, 2);
    EXPECT_EQ(outcome.error, "server gone");
    EXPECT_EQ(ReadFile(file.path()),
              EncodePendingRecord(RunEnd("b")) + EncodePendingRecord(RunEnd("c")));
    ASSERT_EQ(stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "still private once rewritten";

    seen.clear();
    outcome = file.SendAll([&](const PendingRecord& r, std::string&) {
        seen += r.run.uuid;
        return true;
    });
    EXPECT_EQ(seen, "bc");
    EXPECT_EQ(outcome.sent, 2);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(Entries(dir() / "state" / "tessaline"), std::vector<std::string>{});
}

TEST_F(PendingFileTest, ALineCutShortStaysApartAndInTheFile) {
    const std::string cut = EncodePendingRecord(RunEnd("a")).substr(0, 20);
    WriteFile("p.jsonl", cut);
    PendingFile file((dir() / "p.jsonl").string());
    ASSERT_EQ(file.Append(RunEnd("b")), "");
    std::string seen;
    const auto outcome = file.SendAll([&](const PendingRecord& r, std::string&) {
        seen += r.run.uuid;
        return true;
    });
    EXPECT_EQ(seen, "b");
    EXPECT_EQ(outcome.sent, 1);
    EXPECT_EQ(outcome.unreadable, 1);
    EXPECT_EQ(ReadFile("p.jsonl"), cut + "\n");
}

}  // namespace
