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

class ResultsFailures : public ResultsBackendTest {
protected:
    // Units by id, how often each is there.
    static Rows UnitCounts(const std::string& db) {
        return Select(db, "SELECT unit_id, COUNT(*) FROM units GROUP BY unit_id ORDER BY unit_id");
    }
    static std::string Kept(const std::string& what, const std::string& path) {
        return "; " + what + " is kept in " + path +
               " and goes in when this database is next opened";
    }
};

// The way a database fails mid-run that each kind meets in a line: another
// writer holding a SQLite file for longer than the busy timeout, a
// PostgreSQL server that drops the connection (restarted, or the network).
class Outage {
public:
    Outage(const std::string& db, bool postgres) : db_(db), postgres_(postgres) {}

    void Start() {
        ASSERT_EQ(holder_.Open(ResultsStateTest::Target(db_), {}), "");
        std::string error;
        if (postgres_) {
            ASSERT_TRUE(holder_.Exec(
                QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                               "WHERE datname = current_database() AND pid <> pg_backend_pid()"),
                error))
                << error;
        } else {
            ASSERT_TRUE(holder_.Exec(QStringLiteral("BEGIN EXCLUSIVE"), error)) << error;
        }
    }
    void End() { holder_.Close(); }

private:
    std::string db_;
    bool postgres_;
    DatabaseConnection holder_;
};

const ResultsDatabase::Limits kQuickLimits{300, 5};

TEST_P(ResultsFailures, UnitsOfAFailedDatabaseGoInAtTheNextOpenOnce) {
    const std::string db = Fresh();
    const std::string name = Target(db).Name();
    std::string pending;
    {
        ResultsDatabase results;
        ASSERT_EQ(results.Open(Target(db), kQuickLimits), "");
        pending = results.pendingPath();
        ASSERT_EQ(results.BeginRun(SampleRun("st")), "");
        ASSERT_EQ(results.WriteUnit(SampleUnit(1, "U", 2, 2)), "");

        Outage outage(db, postgres());
        outage.Start();
        const std::string failure = results.WriteUnit(SampleUnit(2, "U", 2, 2));
        EXPECT_EQ(failure.rfind("results database " + name + ": ", 0), 0u) << failure;
        const std::string kept = Kept("unit 2", pending);
        ASSERT_GT(failure.size(), kept.size());
        EXPECT_EQ(failure.substr(failure.size() - kept.size()), kept);
        outage.End();

        // The rest of the run follows it, so that the run stays whole.
        const std::string reason = failure.substr(0, failure.size() - kept.size());
        EXPECT_EQ(results.WriteUnit(SampleUnit(3, "U", 2, 2)), reason + Kept("unit 3", pending));
        EXPECT_EQ(results.EndRun(kSampleStart), reason + Kept("the run's end", pending));
    }
    const std::string lines = ReadFile(pending);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
    EXPECT_EQ(UnitCounts(db), (Rows{{"U-1", "1"}}));

    ResultsDatabase next;
    ASSERT_EQ(next.Open(Target(db)), "");
    EXPECT_EQ(next.notice(), "results database " + name + ": sent 3 records kept in " + pending +
                                 " by an earlier run\n");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U-1", "1"}, {"U-2", "1"}, {"U-3", "1"}}));
    EXPECT_EQ(Value(db, "SELECT COUNT(*) FROM steps"), "9");
    EXPECT_EQ(Value(db, "SELECT end_time FROM runs"), "2025-03-14T08:00:00.000Z");
    EXPECT_EQ(Entries(stateFolder() + "/tessaline"), std::vector<std::string>{});

    ResultsDatabase again;
    ASSERT_EQ(again.Open(Target(db)), "");
    EXPECT_EQ(again.notice(), "");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U-1", "1"}, {"U-2", "1"}, {"U-3", "1"}}));
}

TEST_P(ResultsFailures, APendingUnitThatFailsAgainStays) {
    const std::string db = Fresh();
    const std::string name = Target(db).Name();
    std::string pending;
    {
        ResultsDatabase results;
        ASSERT_EQ(results.Open(Target(db)), "");
        pending = results.pendingPath();
        ASSERT_EQ(results.BeginRun(SampleRun("st")), "");
        Exec(db, "ALTER TABLE measurements RENAME TO measurements_away");
        EXPECT_NE(results.WriteUnit(SampleUnit(1, "U", 1, 1)), "");
    }
    const std::string before = ReadFile(pending);
    ASSERT_NE(before, "");

    ResultsDatabase stillBroken;
    const std::string failure = stillBroken.Open(Target(db));
    EXPECT_EQ(failure.rfind("results database " + name + ": ", 0), 0u) << failure;
    const std::string stays = " (1 record stays in " + pending + ")";
    ASSERT_GT(failure.size(), stays.size());
    EXPECT_EQ(failure.substr(failure.size() - stays.size()), stays);
    EXPECT_EQ(ReadFile(pending), before);
    EXPECT_EQ(UnitCounts(db), Rows{});

    Exec(db, "ALTER TABLE measurements_away RENAME TO measurements");
    ResultsDatabase mended;
    ASSERT_EQ(mended.Open(Target(db)), "");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U-1", "1"}}));
    EXPECT_EQ(Value(db, "SELECT COUNT(*) FROM measurements"), "1");
}

// A commit whose answer was lost: the unit is in, and also kept.
TEST_P(ResultsFailures, AUnitKeptAfterItWentInGoesInOnce) {
    const std::string db = Fresh();
    const PendingRecord record{{"run-1", SampleRun("st")},
                               StoredUnit{"unit-1", SampleUnit(1, "U", 1, 1)}};
    {
        ResultsDatabase results;
        ASSERT_EQ(results.Open(Target(db)), "");
        DatabaseConnection connection;
        ASSERT_EQ(connection.Open(Target(db), {}), "");
        std::string error;
        ASSERT_TRUE(RecordWriter(connection).WriteUnit(record.run, *record.unit, error)) << error;
        ASSERT_EQ(PendingFile(results.pendingPath()).Append(record), "");
    }
    ResultsDatabase next;
    ASSERT_EQ(next.Open(Target(db)), "");
    EXPECT_NE(next.notice(), "");
    EXPECT_EQ(UnitCounts(db), (Rows{{"U-1", "1"}}));
    EXPECT_EQ(Value(db, "SELECT COUNT(*) FROM steps"), "2");
}

INSTANTIATE_TEST_SUITE_P(Both, ResultsFailures, ::testing::ValuesIn(kResultsBackends), BackendName);

class ResultsOpenFailures : public ResultsStateTest {};

TEST_F(ResultsOpenFailures, WhatCannotBeOpenedSaysWhyInOneLine) {
    WriteFile("notes.txt", "this is no database, but a long enough text file for SQLite to read");
    struct Case {
        std::string db;
        std::string starts;
    };
    const Case cases[] = {
        {"notes.txt", "results database " + (dir() / "notes.txt").string() + ": "},
        {"missing/folder/results.sqlite",
         "results database " + (dir() / "missing/folder/results.sqlite").string() + ": "},
        {"postgresql://tessaline@%2Fnonexistent/results",
         "results database tessaline@/nonexistent:5432/results: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.db);
        ResultsDatabase results;
        const std::string error = results.Open(Target(c.db));
        EXPECT_EQ(error.rfind(c.starts, 0), 0u) << error;
        EXPECT_GT(error.size(), c.starts.size()) << "says why";
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_EQ(ReadFile("notes.txt"),
              "this is no database, but a long enough text file for SQLite to read");
}

TEST_F(ResultsOpenFailures, AReportMakesNoDatabase) {
    ResultsDatabase results;
    EXPECT_EQ(results.OpenExisting(Target("results.sqlite")),
              "results database " + (dir() / "results.sqlite").string() + ": no such file");
    EXPECT_EQ(Entries(dir()), std::vector<std::string>{});
}

}  // namespace
