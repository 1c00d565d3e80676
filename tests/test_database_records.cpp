// The results database on SQLite and on PostgreSQL: a unit in and back, the
// upgrade of an older schema and the refusal of a newer one, a writer killed
// in the middle, and two writers at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/ChildProcess.h"
#include "support/ResultsBackends.h"
#include "support/ResultsSamples.h"
#include "tools/check/database/PendingFile.h"
#include "tools/check/database/RecordWriter.h"
#include "tools/check/database/ResultsDatabase.h"
#include "tools/check/database/ResultsSchema.h"

namespace {

class ResultsRecords : public ResultsBackendTest {};

// Written at once, or kept in the pending file and sent by the next open.
TEST_P(ResultsRecords, AUnitGoesInWholeAndReadsBack) {
    for (const bool pending : {false, true}) {
        SCOPED_TRACE(pending ? "through the pending file" : "at once");
        const std::string db = Fresh();
        const WallClock::time_point end = kDetailedStart + std::chrono::seconds(1);
        if (pending) {
            PendingFile file(PendingFile::PathFor(Target(db)));
            StoredRun run{"run-1", DetailedRun()};
            ASSERT_EQ(file.Append({run, StoredUnit{"unit-1", DetailedUnit()}}), "");
            run.info.end = end;
            ASSERT_EQ(file.Append({run, std::nullopt}), "");
            ASSERT_EQ(ResultsDatabase().Open(Target(db)), "");
        } else {
            ResultsDatabase results;
            ASSERT_EQ(results.Open(Target(db)), "");
            ASSERT_EQ(results.BeginRun(DetailedRun()), "");
            ASSERT_EQ(results.WriteUnit(DetailedUnit()), "");
            ASSERT_EQ(results.EndRun(end), "");
        }
        EXPECT_EQ(
            Select(db,
                   "SELECT r.plan_name, r.plan_version, r.plan_sha256, r.station, r.start_time, "
                   "r.end_time, u.number, u.unit_id, u.slot, u.verdict, u.reason, u.failed_step, "
                   "u.start_time, u.end_time, u.ms, u.retest "
                   "FROM units u JOIN runs r ON r.uuid = u.run_uuid"),
            (Rows{{"S3 board", "4", std::string(64, 'e'), "st-1", "2025-03-14T08:26:53.589Z",
                   "2025-03-14T08:26:54.589Z", "7", "\xE5\xB7\xA5\xE4\xBD\x8D", "A1", "FAIL",
                   "mismatch at byte 3", "battery", "2025-03-14T08:26:53.589Z",
                   "2025-03-14T08:26:53.910Z", "320.75", "2"}}));
        EXPECT_EQ(Select(db,
                         "SELECT teardown, position, name, attempts, verdict, reason, sent_hex, "
                         "received_hex, trailing_hex, late_hex, start_time, ms FROM steps "
                         "ORDER BY teardown, position"),
                  (Rows{{"0", "1", "serial number", "1", "PASS", "", "53 4E 3F 0D 0A",
                         "53 4E 3D 30 41", "", "", "2025-03-14T08:26:53.590Z", "12.5"},
                        {"0", "2", "battery", "3", "FAIL", "mismatch at byte 3\xEF\xBF\xBD",
                         "01 04 00 00 00 01 31 CA", "01 04 02 0C", "E4", "",
                         "2025-03-14T08:26:53.609Z", "0.25"},
                        {"0", "3", "settle", "0", "", "", "", "", "", "",
                         "1970-01-01T00:00:00.000Z", "0"},
                        {"1", "1", "sleep", "1", "TIMEOUT", "no answer", "53 4C", "", "", "4F 4B",
                         "2025-03-14T08:26:53.889Z", "20"}}));
        EXPECT_EQ(
            Select(db,
                   "SELECT s.name, m.position, m.name, m.number, m.text, m.unit, m.low, "
                   "m.high, m.judged FROM measurements m JOIN steps s ON s.uuid = m.step_uuid "
                   "ORDER BY s.teardown, s.position, m.position"),
            (Rows{{"serial number", "1", "sn", "NULL", "0A", "", "NULL", "NULL", "0"},
                  {"battery", "1", "vbat", "3.3", "", "V", "3", "4.2", "1"},
                  {"battery", "2", "odd", "NULL", "NaN", "", "NULL", "NULL", "1"}}));
    }
}

// How many units have how many steps and values each.
Rows UnitShapes(const std::string& db) {
    return Select(db,
                  "SELECT COUNT(*), steps, vals FROM ("
                  " SELECT (SELECT COUNT(*) FROM steps s WHERE s.unit_uuid = u.uuid) AS steps,"
                  "  (SELECT COUNT(*) FROM measurements m JOIN steps s ON s.uuid = m.step_uuid"
                  "   WHERE s.unit_uuid = u.uuid) AS vals"
                  " FROM units u) shapes GROUP BY steps, vals");
}

TEST_P(ResultsRecords, AnOlderSchemaIsUpgradedAndKeepsItsUnits) {
    const std::string db = Fresh();
    {
        DatabaseConnection connection;
        ASSERT_EQ(connection.Open(Target(db), {}), "");
        ASSERT_EQ(PrepareResultsSchema(connection, 1), "");
        std::string error;
        ASSERT_TRUE(RecordWriter(connection)
                        .WriteUnit({"run-1", SampleRun("old")},
                                   {"unit-1", SampleUnit(1, "OLD", "PP", 1, 1)}, error))
            << error;
    }

    ResultsDatabase results;
    ASSERT_EQ(results.Open(Target(db)), "");
    EXPECT_EQ(Select(db, "SELECT version FROM schema_version"), Rows{{"2"}});
    ASSERT_EQ(results.BeginRun(SampleRun("new")), "");
    ASSERT_EQ(results.WriteUnit(SampleUnit(1, "NEW", "PP", 1, 2)), "");
    EXPECT_EQ(UnitShapes(db), (Rows{{"2", "3", "2"}}));
}

// Tables of another program, or of a newer version: refused, left as they are.
TEST_P(ResultsRecords, ADatabaseItCannotWriteIsRefused) {
    const std::string db = Fresh();
    const std::string name = "results database " + Target(db).Name();
    Exec(db, "CREATE TABLE units (serial TEXT)");
    EXPECT_EQ(ResultsDatabase().Open(Target(db)),
              name + ": it has a table \"units\" but no schema_version: not a results database");
    Exec(db, "DROP TABLE units");
    ASSERT_EQ(ResultsDatabase().Open(Target(db)), "");
    Exec(db, "UPDATE schema_version SET version = 3");
    EXPECT_EQ(ResultsDatabase().Open(Target(db)),
              name +
                  ": its schema is version 3, newer than version 2 that this tessaline-check "
                  "writes; use a newer tessaline-check or another database");
    EXPECT_EQ(Select(db, "SELECT version FROM schema_version"), Rows{{"3"}});
}

TEST_P(ResultsRecords, AWriterKilledMidUnitLeavesOnlyWholeUnits) {
    const std::string db = Fresh();
    ChildProcess writer({TESSALINE_RESULTS_WRITER_PATH, db, "100000", "30", "10", "killed"},
                        ChildProcess::Options{true, std::nullopt});
    for (int n = 1; n <= 5; ++n) {
        ASSERT_EQ(writer.ReadLine(60000), "unit " + std::to_string(n)) << writer.ReadAllErrors(100);
    }
    writer.Signal(SIGKILL);
    EXPECT_EQ(writer.Wait(10000), -1);

    // 30 steps and a teardown, 10 values in each of the 30.
    const Rows shapes = UnitShapes(db);
    ASSERT_EQ(shapes.size(), 1u) << "units of another shape";
    EXPECT_GE(std::stoi(shapes[0][0]), 5);
    EXPECT_EQ(shapes[0][1] + " " + shapes[0][2], "31 300");
    EXPECT_EQ(
        Select(db, "SELECT COUNT(*) FROM steps WHERE unit_uuid NOT IN (SELECT uuid FROM units)"),
        Rows{{"0"}});
    if (!postgres()) {
        EXPECT_EQ(Select(db, "PRAGMA integrity_check"), Rows{{"ok"}});
    }
}

TEST_P(ResultsRecords, TwoWritersAtOnceLoseNothingAndDoubleNothing) {
    const std::string db = Fresh();  // created by whichever writer comes first
    const auto options = ChildProcess::Options{true, std::nullopt};
    ChildProcess one({TESSALINE_RESULTS_WRITER_PATH, db, "150", "3", "2", "one"}, options);
    ChildProcess two({TESSALINE_RESULTS_WRITER_PATH, db, "150", "3", "2", "two"}, options);
    // Each exits 0 once all its units are in; their output fits in the pipe.
    EXPECT_EQ(one.Wait(120000), 0) << one.ReadAllErrors(100);
    EXPECT_EQ(two.Wait(120000), 0) << two.ReadAllErrors(100);
    // Ids one-1 ... one-150 and two-1 ... two-150: 300 different ones are all.
    EXPECT_EQ(Select(db, "SELECT COUNT(*), COUNT(DISTINCT unit_id) FROM units"),
              (Rows{{"300", "300"}}));
    EXPECT_EQ(UnitShapes(db), (Rows{{"300", "4", "6"}}));
    EXPECT_EQ(Select(db, "SELECT COUNT(*) FROM runs WHERE end_time IS NOT NULL"), Rows{{"2"}});
}

INSTANTIATE_TEST_SUITE_P(Both, ResultsRecords, kBothDatabases, DatabaseName);

}  // namespace
