// A results database that fails during a run: the unit is kept in the
// pending file, and the next open of the same database sends it, once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ResultsBackends.h"
#include "support/ResultsSamples.h"
#include "tools/check/database/RecordWriter.h"
#include "tools/check/database/ResultsDatabase.h"

namespace {

class ResultsFailures : public ResultsBackendTest {};

// Units by id, how often each is there.
Rows UnitCounts(const std::string& db) {
    return Select(db, "SELECT unit_id, COUNT(*) FROM units GROUP BY unit_id ORDER BY unit_id");
}

UnitResult Unit(int number) {
    return SampleUnit(number, "U" + std::to_string(number), "PP", 1, number);
}

TEST_P(ResultsFailures, UnitsOfAFailedDatabaseStayUntilItWorksThenGoInOnce) {
    const std::string db = Fresh();
    const std::string name = Target(db).Name();
    std::string pending;
    const auto kept = [&](const std::string& what) {
        return "; " + what + " is kept in " + pending +
               " and goes in when this database is next opened";
    };
    {
        ResultsDatabase results;
        ASSERT_EQ(results.Open(Target(db), {300, 5}), "");
        pending = results.pendingPath();
        ASSERT_EQ(results.BeginRun(SampleRun("st")), "");
        ASSERT_EQ(results.WriteUnit(Unit(1)), "");

        // As a line meets it: another writer holds the SQLite file longer
        // than the busy timeout; the PostgreSQL server drops the connection.
        DatabaseConnection outage;
        ASSERT_EQ(outage.Open(Target(db), {}), "");
        std::string error;
        ASSERT_TRUE(outage.Exec(postgres() ? "SELECT pg_terminate_backend(pid) FROM "
                                             "pg_stat_activity WHERE datname = current_database() "
                                             "AND pid <> pg_backend_pid()"
                                           : "BEGIN EXCLUSIVE",
                                error))
            << error;
        const std::string failure = results.WriteUnit(Unit(2));
        const std::string reason = failure.substr(0, failure.rfind("; unit 2 is kept"));
        EXPECT_EQ(reason.rfind("results database " + name + ": ", 0), 0u) << failure;
        EXPECT_EQ(failure, reason + kept("unit 2"));
        outage.Close();

        // The rest of the run follows it, so that the run stays whole.
        EXPECT_EQ(results.WriteUnit(Unit(3)), reason + kept("unit 3"));
        EXPECT_EQ(results.EndRun(kSampleStart), reason + kept("the run's end"));
    }
    const std::string lines = ReadFile(pending);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
    EXPECT_EQ(UnitCounts(db), (Rows{{"U1", "1"}}));

    // Still broken at the next open: the records stay as they were.
    Exec(db, "ALTER TABLE measurements RENAME TO measurements_away");
    const std::string failure = ResultsDatabase().Open(Target(db));
    EXPECT_EQ(failure.rfind("results database " + name + ": ", 0), 0u) << failure;
    EXPECT_NE(failure.find(" (3 records stay in " + pending + ")"), std::string::npos) << failure;
    EXPECT_EQ(ReadFile(pending), lines);
    EXPECT_EQ(UnitCounts(db), (Rows{{"U1", "1"}}));
    Exec(db, "ALTER TABLE measurements_away RENAME TO measurements");

    // Unit 2 went in after all, as when a commit's answer is lost: it goes
    // in once all the same.
    {
        const auto unit2 = DecodePendingRecord(lines.substr(0, lines.find('\n')));
        ASSERT_TRUE(unit2 && unit2->unit);
        DatabaseConnection connection;
        ASSERT_EQ(connection.Open(Target(db), {}), "");
        std::string error;
        ASSERT_TRUE(RecordWriter(connection).WriteUnit(unit2->run, *unit2->unit, error)) << error;
    }
    ResultsDatabase next;
    ASSERT_EQ(next.Open(Target(db)), "");
    EXPECT_EQ(next.notice(), "results database " + name + ": sent 3 records kept in " + pending +
                                 " by an earlier run\n");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U1", "1"}, {"U2", "1"}, {"U3", "1"}}));
    EXPECT_EQ(Select(db, "SELECT (SELECT COUNT(*) FROM steps), end_time FROM runs"),
              (Rows{{"9", "2025-03-14T08:00:00.000Z"}}));
    EXPECT_EQ(Entries(stateFolder() + "/tessaline"), std::vector<std::string>{});

    ResultsDatabase again;
    ASSERT_EQ(again.Open(Target(db)), "");
    EXPECT_EQ(again.notice(), "");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U1", "1"}, {"U2", "1"}, {"U3", "1"}}));
}

INSTANTIATE_TEST_SUITE_P(Both, ResultsFailures, kBothDatabases, DatabaseName);

class ResultsOpenFailures : public TempDirFixture {};

TEST_F(ResultsOpenFailures, WhatCannotBeOpenedSaysWhyInOneLineAndIsLeftAlone) {
    const std::string text = "this is no database, but a long enough text file for SQLite to read";
    WriteFile("notes.txt", text);
    const std::pair<std::string, std::string> cases[] = {
        {"notes.txt", (dir() / "notes.txt").string()},
        {"missing/folder/results.sqlite", (dir() / "missing/folder/results.sqlite").string()},
        {"postgresql://tessaline@%2Fnonexistent/results", "tessaline@/nonexistent:5432/results"},
    };
    for (const auto& [db, name] : cases) {
        const std::string error = ResultsDatabase().Open(Target(db));
        const std::string starts = "results database " + name + ": ";
        EXPECT_EQ(error.rfind(starts, 0), 0u) << error;
        EXPECT_GT(error.size(), starts.size()) << "says why";
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_EQ(ReadFile("notes.txt"), text);

    // A report makes no database.
    EXPECT_EQ(ResultsDatabase().OpenExisting(Target("results.sqlite")),
              "results database " + (dir() / "results.sqlite").string() + ": no such file");
    EXPECT_EQ(Entries(dir()), std::vector<std::string>{"notes.txt"});
}

}  // namespace
