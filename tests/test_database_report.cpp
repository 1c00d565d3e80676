// What a line asks of its results database: the yield per step, the
// first-pass yield per station and the history of one unit, on SQLite and on
// PostgreSQL, with the SQL that the README shows.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text/LocalTime.h"
#include "support/ResultsBackends.h"
#include "support/ResultsSamples.h"
#include "tools/check/database/ReportQueries.h"
#include "tools/check/database/ResultsDatabase.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

StepResult Step(const std::string& name, Verdict verdict, WallClock::time_point start) {
    StepResult step;
    step.name = name;
    step.attempts = verdict == Verdict::Undecided ? 0 : 1;
    step.verdict = verdict;
    step.reason = verdict == Verdict::Fail ? "mismatch at byte 1" : "";
    step.start = start;
    step.ms = 5;
    return step;
}

// A unit of plan P: steps s1 (which reads v = 1.5 V) and s2, teardown sleep.
UnitResult Unit(long long number, const std::string& id, int offsetSeconds, Verdict s1, Verdict s2,
                int retest = 1) {
    UnitResult u;
    u.unit = number;
    u.id = id;
    u.retest = retest;
    u.start = kSampleStart + seconds(offsetSeconds);
    u.end = u.start + milliseconds(100);
    u.ms = 100;
    u.steps = {Step("s1", s1, u.start), Step("s2", s2, u.start + milliseconds(10))};
    u.steps[0].values = {{"v", 1.5, "", "V", 1.0, 2.0, true}};
    u.teardown = {Step("sleep", Verdict::Pass, u.start + milliseconds(90))};
    const bool timedOut = s1 == Verdict::Timeout || s2 == Verdict::Timeout;
    const bool failed = s1 == Verdict::Fail || s2 == Verdict::Fail;
    u.verdict = failed ? Verdict::Fail : timedOut ? Verdict::Timeout : Verdict::Pass;
    u.failedStep = s1 != Verdict::Pass ? "s1" : s2 != Verdict::Pass ? "s2" : "";
    return u;
}

void WriteRun(const std::string& db, const std::string& station,
              const std::vector<UnitResult>& units) {
    ResultsDatabase results;
    ASSERT_EQ(results.Open(ResultsStateTest::Target(db)), "");
    RunInfo run = SampleRun(station);
    run.planName = "P";
    ASSERT_EQ(results.BeginRun(run), "");
    for (const UnitResult& unit : units) {
        ASSERT_EQ(results.WriteUnit(unit), "");
    }
    ASSERT_EQ(results.EndRun(kSampleStart + seconds(3600)), "");
}

constexpr Verdict P = Verdict::Pass;
constexpr Verdict F = Verdict::Fail;
constexpr Verdict T = Verdict::Timeout;
constexpr Verdict N = Verdict::Undecided;  // not reached

// Station a tests A (pass), B (fails s2) and a unit without an id; station b
// tests B again (pass), C (times out in s1) and E, which station a tested
// an hour before the report's start.
void WriteLineDay(const std::string& db) {
    WriteRun(db, "st-a",
             {Unit(1, "E", -3600, F, N), Unit(2, "A", 10, P, P), Unit(3, "B", 20, P, F),
              Unit(4, "", 30, P, P)});
    WriteRun(db, "st-b",
             {Unit(1, "B", 40, P, P, 2), Unit(2, "C", 50, T, N), Unit(3, "E", 60, P, P, 2)});
}

class ResultsQueries : public ResultsBackendTest {};

TEST_P(ResultsQueries, YieldPerStepAndFirstPassYieldPerStation) {
    const std::string db = Fresh();
    WriteLineDay(db);
    ResultsDatabase results;
    ASSERT_EQ(results.Open(Target(db)), "");
    ResultsReport report;
    ASSERT_EQ(results.Report(kSampleStart, report), "");

    ASSERT_EQ(report.steps.size(), 3u);
    const std::vector<std::tuple<std::string, bool, std::string, long long, long long, long long,
                                 long long, double>>
        steps = {{"P", false, "s1", 6, 5, 0, 1, 83.3},
                 {"P", false, "s2", 5, 4, 1, 0, 80.0},
                 {"P", true, "sleep", 6, 6, 0, 0, 100.0}};
    for (size_t i = 0; i < steps.size(); ++i) {
        const auto& s = report.steps[i];
        EXPECT_EQ(std::make_tuple(s.plan, s.teardown, s.step, s.ran, s.passed, s.failed, s.timedOut,
                                  s.yieldPercent),
                  steps[i]);
    }
    ASSERT_EQ(report.stations.size(), 2u);
    const std::vector<std::tuple<std::string, long long, long long, double>> stations = {
        {"st-a", 3, 2, 66.7}, {"st-b", 1, 0, 0.0}};
    for (size_t i = 0; i < stations.size(); ++i) {
        const auto& s = report.stations[i];
        EXPECT_EQ(std::make_tuple(s.station, s.units, s.passed, s.yieldPercent), stations[i]);
    }

    ASSERT_EQ(results.Report(kSampleStart + seconds(3600), report), "");
    EXPECT_TRUE(report.steps.empty());
    EXPECT_TRUE(report.stations.empty());
}

TEST_P(ResultsQueries, HistoryOfOneUnit) {
    const std::string db = Fresh();
    WriteLineDay(db);
    const Rows rows = Select(db, kUnitHistorySql, {{":id", "B"}});
    const std::string a = "2025-03-14T08:00:20.000Z";
    const std::string b = "2025-03-14T08:00:40.000Z";
    const std::string fail = "mismatch at byte 1";
    EXPECT_EQ(rows,
              (Rows{
                  {a,   "st-a", "P", "1", "", "1", "FAIL", "s2", "0", "1", "s1",
                   "1", "PASS", "",  "",  "", "v", "1.5",  "",   "V", "1", "2"},
                  {a,   "st-a", "P",  "1", "", "1",    "FAIL", "s2",   "0",    "2",    "s2",
                   "1", "FAIL", fail, "",  "", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
                  {a,   "st-a", "P", "1", "", "1",    "FAIL", "s2",   "1",    "1",    "sleep",
                   "1", "PASS", "",  "",  "", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
                  {b,   "st-b", "P", "1", "", "2", "PASS", "", "0", "1", "s1",
                   "1", "PASS", "",  "",  "", "v", "1.5",  "", "V", "1", "2"},
                  {b,   "st-b", "P", "1", "", "2",    "PASS", "",     "0",    "2",    "s2",
                   "1", "PASS", "",  "",  "", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
                  {b,   "st-b", "P", "1", "", "2",    "PASS", "",     "1",    "1",    "sleep",
                   "1", "PASS", "",  "",  "", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
              }));
}

INSTANTIATE_TEST_SUITE_P(Both, ResultsQueries, ::testing::ValuesIn(kResultsBackends), BackendName);

// The SQL blocks of the README's "Results database" section, in order.
std::vector<std::string> ReadmeSql() {
    std::ifstream in(TESSALINE_README_PATH);
    const std::string readme{std::istreambuf_iterator<char>(in), {}};
    const size_t start = readme.find("\n## Results database\n");
    const size_t end = readme.find("\n## ", start + 1);
    const std::string section = readme.substr(start, end - start);
    std::vector<std::string> blocks;
    for (size_t at = section.find("```sql\n"); at != std::string::npos;
         at = section.find("```sql\n", at)) {
        at += 7;
        const size_t close = section.find("\n```", at);
        blocks.push_back(section.substr(at, close - at));
        at = close;
    }
    return blocks;
}

TEST(ResultsReadme, ShowsTheQueriesTheProgramRuns) {
    EXPECT_EQ(ReadmeSql(),
              (std::vector<std::string>{kStepYieldSql, kFirstPassYieldSql, kUnitHistorySql}));
}

TEST(ResultsReport, PrintsBothTablesAligned) {
    ResultsReport report;
    report.since = kSampleStart;
    report.steps = {{"S3 board", false, "serial number", 120, 118, 1, 1, 98.3},
                    {"S3 board", true, "sleep", 120, 120, 0, 0, 100.0}};
    report.stations = {{"st-1", 80, 79, 98.8}, {"station two", 7, 5, 71.4}};
    const std::string since = LocalIsoTime(kSampleStart);
    EXPECT_EQ(FormatResultsReport(report),
              "Yield per step since " + since +
                  "\n"
                  "plan      step              ran  passed  failed  timed out    yield\n"
                  "S3 board  serial number     120     118       1          1   98.3 %\n"
                  "S3 board  sleep (teardown)  120     120       0          0  100.0 %\n"
                  "\n"
                  "First-pass yield per station since " +
                  since +
                  "\n"
                  "station      first tests  passed  first-pass yield\n"
                  "st-1                  80      79            98.8 %\n"
                  "station two            7       5            71.4 %\n");
    EXPECT_EQ(FormatResultsReport(ResultsReport{kSampleStart, {}, {}}),
              "Yield per step since " + since + "\nno steps ran\n\n" +
                  "First-pass yield per station since " + since +
                  "\nno units tested for the first time\n");
}

TEST(ResultsReport, SinceTakesADateOrATime) {
    const long long utc = 1741939200000;  // 2025-03-14T08:00:00.000Z
    const long long localMidnight = QDateTime(QDate(2025, 3, 14), QTime(0, 0)).toMSecsSinceEpoch();
    const std::pair<const char*, long long> good[] = {
        {"2025-03-14T08:00:00.000Z", utc},  {"2025-03-14T08:00Z", utc},
        {"2025-03-14 09:00:00+01:00", utc}, {"2025-03-14T08:00:00.250Z", utc + 250},
        {"2025-03-14", localMidnight},      {"2025-03-14T00:00", localMidnight},
    };
    for (const auto& [text, ms] : good) {
        const auto since = ParseReportSince(text);
        ASSERT_TRUE(since) << text;
        EXPECT_EQ(since->time_since_epoch(), milliseconds(ms)) << text;
    }
    for (const char* bad :
         {"", "yesterday", "2025-13-01", "14.03.2025", "2025-03-14T25:00", "2025-03"}) {
        EXPECT_FALSE(ParseReportSince(bad)) << bad;
    }
}

}  // namespace
