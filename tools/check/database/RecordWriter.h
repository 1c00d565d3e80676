#pragma once

#include <QSqlQuery>
#include <functional>
#include <initializer_list>
#include <string>

#include "tools/check/database/PendingRecord.h"

class DatabaseConnection;
class QVariant;

// The rows of runs and units, each call one transaction, so that a crash or
// a power cut leaves a unit either whole or absent. Texts go in as
// StoredText, times as StoredTime, bytes as hex pairs ("01 03"); a number
// that is not finite goes in as NULL (a measured NaN keeps "NaN" as its
// text). Its statements are prepared once and kept, so it must go before
// its connection closes.
class RecordWriter {
public:
    explicit RecordWriter(DatabaseConnection& connection);
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // The run's row, unless it is there; its end time when `run.info.end`
    // is set.
    bool WriteRun(const StoredRun& run, std::string& error);

    // The unit's row with its steps and their values, and its run's row if
    // that is missing. A unit whose key is there already went in before (a
    // commit whose answer was lost) and is left as it is.
    bool WriteUnit(const StoredRun& run, const StoredUnit& unit, std::string& error);

private:
    class Statement {
    public:
        Statement(const DatabaseConnection& connection, const char* sql);
        ~Statement();
        bool Run(std::initializer_list<QVariant> values, std::string& error);
        bool HasRow();  // after Run: whether the query gave a row

    private:
        const DatabaseConnection& connection_;
        const char* sql_;
        QSqlQuery query_;
        bool prepared_ = false;
    };

    bool InTransaction(std::string& error, const std::function<bool()>& work);
    bool InsertRunIfMissing(const StoredRun& run, std::string& error);
    bool InsertUnit(const StoredUnit& unit, const std::string& runUuid, std::string& error);
    bool InsertStep(const std::string& unitUuid, const StepResult& step, bool teardown,
                    int position, std::string& error);

    DatabaseConnection& connection_;
    Statement runExists_;
    Statement runInsert_;
    Statement runEnd_;
    Statement unitExists_;
    Statement unitInsert_;
    Statement stepInsert_;
    Statement valueInsert_;
};
