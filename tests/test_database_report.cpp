// What a line asks of its results database: the yield per step, the
// first-pass yield per station and the history of one unit, on SQLite and on
// PostgreSQL, with the SQL that the README shows.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>
#include <string>
#include <vector>

#include "platform/text/LocalTime.h"
#include "support/ResultsBackends.h"
#include "support/ResultsSamples.h"
#include "tools/check/database/ReportQueries.h"
#include "tools/check/database/ResultsDatabase.h"

namespace {

// Station a tests A (pass), B (fails s2) and a unit without an id; station b
// tests B again (pass), C (times out in s1) and E, which station a tested
// an hour before the report's start.
void WriteLineDay(const std::string& db) {
    const std::pair<const char*, std::vector<UnitResult>> runs[] = {
        {"station a",
         {SampleUnit(1, "E", "F-", 1, -3600), SampleUnit(2, "A", "PP", 1, 10),
          SampleUnit(3, "B", "PF", 1, 20), SampleUnit(4, "", "PP", 1, 30)}},
        {"station b",
         {SampleUnit(1, "B", "PP", 1, 40, 2), SampleUnit(2, "C", "T-", 1, 50),
          SampleUnit(3, "E", "PP", 1, 60, 2)}},
    };
    for (const auto& [station, units] : runs) {
        ResultsDatabase results;
        ASSERT_EQ(results.Open(Target(db)), "");
        ASSERT_EQ(results.BeginRun(SampleRun(station)), "");
        for (const UnitResult& unit : units) {
            ASSERT_EQ(results.WriteUnit(unit), "");
        }
        ASSERT_EQ(results.EndRun(kSampleStart + std::chrono::hours(1)), "");
    }
}

class ResultsQueries : public ResultsBackendTest {};

TEST_P(ResultsQueries, YieldsAndTheHistoryOfOneUnit) {
    const std::string db = Fresh();
    WriteLineDay(db);
    ResultsDatabase results;
    ASSERT_EQ(results.Open(Target(db)), "");
    ResultsReport report;
    ASSERT_EQ(results.Report(kSampleStart, report), "");
    const std::string since = LocalIsoTime(kSampleStart);
    EXPECT_EQ(FormatResultsReport(report),
              "Yield per step since " + since +
                  "\n"
                  "plan  step              ran  passed  failed  timed out    yield\n"
                  "P     s1                  6       5       0          1   83.3 %\n"
                  "P     s2                  5       4       1          0   80.0 %\n"
                  "P     sleep (teardown)    6       6       0          0  100.0 %\n"
                  "\n"
                  "First-pass yield per station since " +
                  since +
                  "\n"
                  "station    first tests  passed  first-pass yield\n"
                  "station a            3       2            66.7 %\n"
                  "station b            1       0             0.0 %\n");

    ASSERT_EQ(results.Report(kSampleStart + std::chrono::hours(1), report), "");
    const std::string later = LocalIsoTime(kSampleStart + std::chrono::hours(1));
    EXPECT_EQ(FormatResultsReport(report), "Yield per step since " + later + "\nno steps ran\n\n" +
                                               "First-pass yield per station since " + later +
                                               "\nno units tested for the first time\n");

    std::vector<std::string> lines;
    for (const auto& row : Select(db, kUnitHistorySql, {{":id", "B"}})) {
        std::string line;
        for (const std::string& value : row) {
            line += (line.empty() ? "" : "|") + value;
        }
        lines.push_back(line);
    }
    // Unit, step, value: the first test fails s2, the second passes.
    const std::string first = "2025-03-14T08:00:20.000Z|station a|P|1||1|FAIL|s2|";
    const std::string second = "2025-03-14T08:00:40.000Z|station b|P|1||2|PASS||";
    const std::string sent = "|01 03|AA|v1|1.5||V|1|2";
    const std::string teardown = "1|1|sleep|1|PASS||||NULL|NULL|NULL|NULL|NULL|NULL";
    EXPECT_EQ(lines, (std::vector<std::string>{
                         first + "0|1|s1|1|PASS|" + sent,
                         first + "0|2|s2|1|FAIL|mismatch at byte 1" + sent,
                         first + teardown,
                         second + "0|1|s1|1|PASS|" + sent,
                         second + "0|2|s2|1|PASS|" + sent,
                         second + teardown,
                     }));
}

INSTANTIATE_TEST_SUITE_P(Both, ResultsQueries, kBothDatabases, DatabaseName);

// The SQL blocks of the README's "Results database" section, in order.
TEST(ResultsReadme, ShowsTheQueriesTheProgramRuns) {
    const QString readme = QString::fromStdString(temp_files::ReadFile(TESSALINE_README_PATH));
    const qsizetype start = readme.indexOf(QStringLiteral("\n## Results database\n"));
    const QString section =
        readme.mid(start, readme.indexOf(QStringLiteral("\n## "), start + 1) - start);
    const QRegularExpression block(QStringLiteral("```sql\n(.*?)\n```"),
                                   QRegularExpression::DotMatchesEverythingOption);
    std::vector<std::string> blocks;
    for (auto match = block.globalMatch(section); match.hasNext();) {
        blocks.push_back(match.next().captured(1).toStdString());
    }
    EXPECT_EQ(blocks,
              (std::vector<std::string>{kStepYieldSql, kFirstPassYieldSql, kUnitHistorySql}));
}

TEST(ResultsReport, SinceTakesADateOrATime) {
    const long long utc = 1741939200000;  // 2025-03-14T08:00:00.000Z
    const long long localMidnight = QDateTime(QDate(2025, 3, 14), QTime(0, 0)).toMSecsSinceEpoch();
    const std::pair<const char*, long long> good[] = {
        {"2025-03-14T08:00Z", utc},
        {"2025-03-14 09:00:00+01:00", utc},
        {"2025-03-14T08:00:00.250Z", utc + 250},
        {"2025-03-14", localMidnight},
    };
    for (const auto& [text, ms] : good) {
        EXPECT_EQ(ParseReportSince(text), WallClock::time_point(std::chrono::milliseconds(ms)))
            << text;
    }
    for (const char* bad : {"", "yesterday", "2025-13-01", "2025-03-14T25:00", "2025-03"}) {
        EXPECT_FALSE(ParseReportSince(bad)) << bad;
    }
}

}  // namespace
