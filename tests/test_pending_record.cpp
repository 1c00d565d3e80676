// The pending file: lines that are no record, and the file itself (a line cut
// short, private permissions, what stays when sending stops).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>

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
        const size_t at = good.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return std::string(good).replace(std::min(at, good.size()), from.size(), to);
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
    return {{uuid, {"", "", "", "", kDetailedStart, kDetailedStart}}, std::nullopt};
}

class PendingFileTest : public TempDirFixture {};

// Records go oldest first; the first that fails stays, with those after it.
// A line that a crash cut short stays too, apart from the records after it.
TEST_F(PendingFileTest, RecordsStayPrivateAndInOrderUntilSent) {
    const std::string folder = (dir() / "state" / "tessaline").string();
    PendingFile file(folder + "/p.jsonl");
    const std::string cut = EncodePendingRecord(RunEnd("x")).substr(0, 20);
    ASSERT_EQ(file.Append(RunEnd("a")), "");
    std::ofstream(file.path(), std::ios::app) << cut;
    ASSERT_EQ(file.Append(RunEnd("b")), "");
    ASSERT_EQ(file.Append(RunEnd("c")), "");
    const auto mode = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
    };
    EXPECT_EQ(mode(folder), 0700u);
    EXPECT_EQ(mode(file.path()), 0600u);

    std::string seen;
    auto outcome = file.SendAll([&](const PendingRecord& r, std::string& error) {
        seen += r.run.uuid;
        error = "server gone";
        return r.run.uuid != "b";
    });
    EXPECT_EQ(seen, "ab");
    EXPECT_EQ(std::make_tuple(outcome.sent, outcome.kept, outcome.unreadable, outcome.error),
              std::make_tuple(1, 2, 1, std::string("server gone")));
    EXPECT_EQ(ReadFile(file.path()),
              cut + "\n" + EncodePendingRecord(RunEnd("b")) + EncodePendingRecord(RunEnd("c")));
    EXPECT_EQ(mode(file.path()), 0600u) << "still private once rewritten";

    seen.clear();
    outcome = file.SendAll([&](const PendingRecord& r, std::string&) {
        seen += r.run.uuid;
        return true;
    });
    EXPECT_EQ(seen, "bc");
    EXPECT_EQ(std::make_tuple(outcome.sent, outcome.kept, outcome.unreadable, outcome.error),
              std::make_tuple(2, 0, 1, std::string()));
    EXPECT_EQ(ReadFile(file.path()), cut + "\n");
}

}  // namespace
