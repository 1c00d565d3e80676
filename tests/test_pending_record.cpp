// The pending file: its JSON lines read back whole, lines that are no
// record, and the file itself (a line cut short, private permissions, what
// stays when sending stops).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "platform/text/Gbk.h"
#include "support/TempDir.h"
#include "tools/check/database/PendingFile.h"
#include "tools/check/database/PendingRecord.h"

namespace {

using std::chrono::milliseconds;

// 2025-03-14T08:26:53.589Z
const WallClock::time_point kAt{milliseconds(1741940813589)};

PendingRecord FullRecord() {
    PendingRecord record;
    record.run.uuid = "5f0c6a2e-0d3b-4a53-9f00-6f2b1d7f3c11";
    record.run.info = {"S3 sensor board",       "4", std::string(64, 'f'), "st-2", kAt,
                       kAt + milliseconds(5000)};
    StoredUnit unit;
    unit.uuid = "0b1d2c3e-4f50-4a6b-8c7d-9e0f1a2b3c4d";
    UnitResult& u = unit.result;
    u.unit = 9007199254740991;  // the largest whole number a JSON number holds exactly
    u.id = "S3-000042";
    u.slot = "A2";
    u.retest = 3;
    u.verdict = Verdict::Fail;
    u.reason = "mismatch at byte 3";
    u.failedStep = "battery";
    u.start = kAt;
    u.end = kAt + milliseconds(321);
    u.ms = 320.75;
    StepResult step;
    step.name = "battery";
    step.attempts = 3;
    step.sent = {0x01, 0x04, 0x00, 0xFF};
    step.received = {0x00};
    step.trailing = {0x0D, 0x0A};
    step.late = {0x7F};
    step.verdict = Verdict::Fail;
    step.reason = "mismatch at byte 3";
    step.start = kAt + milliseconds(1);
    step.ms = 0.1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    step.values = {
        {"vbat", 3.3000000000000003, "", "V", 3.0, 4.2, true},
        {"sn", std::nullopt, "0A1B2C3D", "", std::nullopt, std::nullopt, false},
        {"odd", nan, "", "", -infinity, infinity, true},
    };
    u.steps = {step, StepResult{}};
    u.steps[1].name = "not reached";
    u.teardown = {step};
    u.teardown[0].name = "sleep";
    u.teardown[0].verdict = Verdict::Timeout;
    record.unit = unit;
    return record;
}

TEST(PendingRecord, EveryFieldComesBack) {
    const PendingRecord record = FullRecord();
    const std::string line = EncodePendingRecord(record);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line";
    const auto back = DecodePendingRecord(line);
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(back->run.uuid, record.run.uuid);
    EXPECT_EQ(back->run.info.planName, "S3 sensor board");
    EXPECT_EQ(back->run.info.planVersion, "4");
    EXPECT_EQ(back->run.info.planSha256, std::string(64, 'f'));
    EXPECT_EQ(back->run.info.station, "st-2");
    EXPECT_EQ(back->run.info.start, kAt);
    EXPECT_EQ(back->run.info.end, kAt + milliseconds(5000));
    ASSERT_TRUE(back->unit);
    const UnitResult& u = back->unit->result;
    EXPECT_EQ(back->unit->uuid, record.unit->uuid);
    EXPECT_EQ(u.unit, 9007199254740991);
    EXPECT_EQ(u.id, "S3-000042");
    EXPECT_EQ(u.slot, "A2");
    EXPECT_EQ(u.retest, 3);
    EXPECT_EQ(u.verdict, Verdict::Fail);
    EXPECT_EQ(u.reason, "mismatch at byte 3");
    EXPECT_EQ(u.failedStep, "battery");
    EXPECT_EQ(u.start, kAt);
    EXPECT_EQ(u.end, kAt + milliseconds(321));
    EXPECT_EQ(u.ms, 320.75);
    ASSERT_EQ(u.steps.size(), 2u);
    ASSERT_EQ(u.teardown.size(), 1u);
    const StepResult& s = u.steps[0];
    EXPECT_EQ(
        std::make_tuple(s.name, s.attempts, s.sent, s.received, s.trailing, s.late, s.verdict,
                        s.reason, s.start, s.ms),
        std::make_tuple(std::string("battery"), 3, ByteArray{0x01, 0x04, 0x00, 0xFF},
                        ByteArray{0x00}, ByteArray{0x0D, 0x0A}, ByteArray{0x7F}, Verdict::Fail,
                        std::string("mismatch at byte 3"), kAt + milliseconds(1), 0.1));
    ASSERT_EQ(s.values.size(), 3u);
    const RecordedValue& vbat = s.values[0];
    EXPECT_EQ(std::make_tuple(vbat.name, vbat.number, vbat.text, vbat.unit, vbat.low, vbat.high,
                              vbat.judged),
              std::make_tuple(std::string("vbat"), std::optional<double>(3.3000000000000003),
                              std::string(), std::string("V"), std::optional<double>(3.0),
                              std::optional<double>(4.2), true));
    const RecordedValue& sn = s.values[1];
    EXPECT_EQ(std::make_tuple(sn.name, sn.number, sn.text, sn.low, sn.high, sn.judged),
              std::make_tuple(std::string("sn"), std::optional<double>(), std::string("0A1B2C3D"),
                              std::optional<double>(), std::optional<double>(), false));
    const RecordedValue& odd = s.values[2];
    EXPECT_TRUE(odd.number && std::isnan(*odd.number));
    EXPECT_EQ(odd.low, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(odd.high, std::numeric_limits<double>::infinity());
    EXPECT_EQ(std::make_tuple(u.steps[1].name, u.steps[1].attempts, u.steps[1].verdict),
              std::make_tuple(std::string("not reached"), 0, Verdict::Undecided));
    EXPECT_EQ(std::make_tuple(u.teardown[0].name, u.teardown[0].verdict),
              std::make_tuple(std::string("sleep"), Verdict::Timeout));
}

TEST(PendingRecord, TextsAreStoredAsTheDatabaseStoresThem) {
    PendingRecord record;
    record.run.uuid = "r";
    record.run.info.start = kAt;
    record.run.info.station = gbk::Text("工位一");      // GBK bytes
    record.run.info.planName = std::string("a\0b", 3);  // PostgreSQL takes no NUL in text
    const std::string line = EncodePendingRecord(record);
    EXPECT_EQ(line,
              "{\"pending\":1,\"run\":{\"plan_name\":\"a\xEF\xBF\xBD"
              "b\",\"plan_sha256\":\"\","
              "\"plan_version\":\"\",\"start\":\"2025-03-14T08:26:53.589Z\","
              "\"station\":\"\xE5\xB7\xA5\xE4\xBD\x8D\xE4\xB8\x80\",\"uuid\":\"r\"}}\n");
    const auto back = DecodePendingRecord(line);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->unit);
    EXPECT_FALSE(back->run.info.end);
    EXPECT_EQ(back->run.info.station, "\xE5\xB7\xA5\xE4\xBD\x8D\xE4\xB8\x80");
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
        replaced("\"sent\":\"01 04 00 FF\"", "\"sent\":\"01 4G\""),
        replaced("\"verdict\":\"FAIL\"", "\"verdict\":\"MAYBE\""),
        replaced("\"retest\":3", "\"retest\":\"3\""),
        replaced("\"retest\":3", "\"retest\":3.5"),
        replaced("\"attempts\":3", "\"attempts\":null"),
        replaced("\"attempts\":3", "\"attempts\":4294967296"),
        replaced("\"judged\":true", "\"judged\":1"),
        replaced("\"number\":\"NaN\"", "\"number\":\"many\""),
        replaced("\"steps\":[", "\"steps\":{\"x\":[") + "",
    };
    for (const std::string& line : bad) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(DecodePendingRecord(line));
    }
}

PendingRecord RunEnd(const std::string& uuid) {
    PendingRecord record;
    record.run.uuid = uuid;
    record.run.info.start = kAt;
    record.run.info.end = kAt;
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
