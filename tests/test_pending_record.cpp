// The pending file: lines that are no record, and the file itself (a line
// cut short, private permissions, what stays when sending stops). Records
// read back whole: test_database_records.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/ResultsSamples.h"
#include "support/TempDir.h"
#include "tools/check/database/PendingFile.h"
#include "tools/check/database/PendingRecord.h"

namespace {

TEST(PendingRecord, LinesThatAreNoRecordAreRefused) {
    const std::string good =
        EncodePendingRecord({{"run-1", DetailedRun()}, StoredUnit{"unit-1", DetailedUnit()}});
    ASSERT_TRUE(DecodePendingRecord(good));
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
        replaced("\"uuid\":\"run-1\"", "\"uuid\":\"\""),
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
