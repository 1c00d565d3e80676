#pragma once

#include <memory>
#include <string>

#include "tools/check/core/UnitResult.h"
#include "tools/check/database/DatabaseConnection.h"
#include "tools/check/database/DatabaseTarget.h"
#include "tools/check/database/PendingFile.h"
#include "tools/check/database/RecordWriter.h"
#include "tools/check/database/ResultsReport.h"

// The check program's results database (--db): a run's row, then one
// transaction per unit. Used only from the thread that opened it.
//
//   ResultsDatabase db;
//   if (auto e = db.Open(*ParseDatabaseTarget(text, error)); !e.empty()) -> exit 3
//   print db.notice() when not empty
//   db.BeginRun(run);                 -> exit 3 when it fails
//   db.WriteUnit(unit) for each unit  -> when it fails: print, stop the run, exit 3
//   db.EndRun(end);
// and for --report:
//   db.OpenExisting(target); db.Report(since, report); print FormatResultsReport(report)
//
// A unit that cannot be written is kept in the pending file (PendingFile.h)
// and the next Open of the same database sends it before anything else.
class ResultsDatabase {
public:
    using Limits = DatabaseConnection::Limits;

    ResultsDatabase() = default;
    ~ResultsDatabase();
    ResultsDatabase(const ResultsDatabase&) = delete;
    ResultsDatabase& operator=(const ResultsDatabase&) = delete;

    // Connects, creates or upgrades the tables, then sends what the pending
    // file keeps for this database. Empty on success, else one line: the
    // database cannot be used, or records kept from before failed again
    // (they stay in the pending file).
    std::string Open(const DatabaseTarget& target, const Limits& limits = Limits());

    // For a report: the same, but a SQLite file that does not exist is
    // refused rather than made.
    std::string OpenExisting(const DatabaseTarget& target, const Limits& limits = Limits());

    // After Open: what it sent from the pending file and what it could not
    // read there, one line each; empty when there was nothing.
    const std::string& notice() const { return notice_; }
    const std::string& pendingPath() const { return pending_.path(); }

    // The run's row. Empty on success, else one line (no unit ran yet, so
    // nothing is kept).
    std::string BeginRun(const RunInfo& run);

    // The unit with its steps and values in one transaction. Empty on
    // success; else the unit is kept in the pending file and the line says
    // why and where. After a failure every later unit goes straight to the
    // pending file, so that one run's units stay together.
    std::string WriteUnit(const UnitResult& unit);

    // The run's end time, kept in the pending file like a unit when the
    // database fails.
    std::string EndRun(WallClock::time_point end);

    // The yield per step and the first-pass yield per station of the units
    // that started at `since` or later. Empty on success, else one line.
    std::string Report(WallClock::time_point since, ResultsReport& report);

private:
    void Close();
    std::string Keep(const PendingRecord& record, const std::string& failure,
                     const std::string& what);

    DatabaseConnection connection_;
    std::unique_ptr<RecordWriter> writer_;  // goes before its connection
    PendingFile pending_{std::string()};
    StoredRun run_;
    bool failed_ = false;  // a write failed: the rest of the run goes to the pending file
    std::string failure_;
    std::string notice_;
};
