#include "tools/check/database/ResultsDatabase.h"

#include <QFileInfo>
#include <QUuid>

#include "tools/check/database/RecordWriter.h"
#include "tools/check/database/ResultsSchema.h"

namespace {

std::string NewKey() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

std::string Count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

ResultsDatabase::~ResultsDatabase() {
    Close();
}

void ResultsDatabase::Close() {
    DatabaseConnection::ReleaseQuietly([this] {
        writer_.reset();
        connection_.Close();
    });
}

std::string ResultsDatabase::Open(const DatabaseTarget& target, const Limits& limits) {
    failed_ = false;
    failure_.clear();
    notice_.clear();
    run_ = StoredRun();
    Close();
    pending_ = PendingFile(PendingFile::PathFor(target));
    std::string error = connection_.Open(target, limits);
    if (error.empty()) {
        error = PrepareResultsSchema(connection_);
    }
    if (!error.empty()) {
        Close();
        return error;
    }
    writer_ = std::make_unique<RecordWriter>(connection_);
    const PendingFile::Outcome outcome =
        pending_.SendAll([this](const PendingRecord& record, std::string& failure) {
            return record.unit ? writer_->WriteUnit(record.run, *record.unit, failure)
                               : writer_->WriteRun(record.run, failure);
        });
    if (outcome.sent > 0) {
        notice_ += connection_.Failure("sent " + Count(outcome.sent, "record", "records") +
                                       " kept in " + pending_.path() + " by an earlier run") +
                   "\n";
    }
    if (outcome.unreadable > 0) {
        notice_ += pending_.path() + ": " +
                   Count(outcome.unreadable, "line is no record and stays",
                         "lines are no records and stay") +
                   " in the file\n";
    }
    if (!outcome.error.empty()) {
        Close();
        return outcome.error + " (" + Count(outcome.kept, "record stays", "records stay") + " in " +
               pending_.path() + ")";
    }
    return {};
}

std::string ResultsDatabase::OpenExisting(const DatabaseTarget& target, const Limits& limits) {
    if (target.kind == DatabaseTarget::Kind::Sqlite &&
        !QFileInfo::exists(QString::fromStdString(target.path))) {
        Close();
        return "results database " + target.Name() + ": no such file";
    }
    return Open(target, limits);
}

std::string ResultsDatabase::BeginRun(const RunInfo& run) {
    run_ = StoredRun{NewKey(), run};
    run_.info.end.reset();
    std::string error;
    if (!writer_) {
        return "results database: not open";
    }
    writer_->WriteRun(run_, error);
    return error;
}

std::string ResultsDatabase::WriteUnit(const UnitResult& unit) {
    if (run_.uuid.empty()) {
        return "results database: a unit written before BeginRun";
    }
    PendingRecord record{run_, StoredUnit{NewKey(), unit}};
    std::string error;
    if (!failed_ && writer_ && writer_->WriteUnit(run_, *record.unit, error)) {
        return {};
    }
    return Keep(record, error, "unit " + std::to_string(unit.unit));
}

std::string ResultsDatabase::EndRun(WallClock::time_point end) {
    if (run_.uuid.empty()) {
        return "results database: EndRun without BeginRun";
    }
    run_.info.end = end;
    std::string error;
    if (!failed_ && writer_ && writer_->WriteRun(run_, error)) {
        return {};
    }
    return Keep(PendingRecord{run_, std::nullopt}, error, "the run's end");
}

std::string ResultsDatabase::Report(WallClock::time_point since, ResultsReport& report) {
    if (!connection_.isOpen()) {
        return "results database: not open";
    }
    return LoadResultsReport(connection_, since, report);
}

std::string ResultsDatabase::Keep(const PendingRecord& record, const std::string& failure,
                                  const std::string& what) {
    if (!failed_) {
        failed_ = true;
        failure_ = failure.empty() ? "results database: not open" : failure;
    }
    const std::string kept = pending_.Append(record);
    if (!kept.empty()) {
        return failure_ + "; " + what + " is lost: it cannot be kept either (" + kept + ")";
    }
    return failure_ + "; " + what + " is kept in " + pending_.path() +
           " and goes in when this database is next opened";
}
