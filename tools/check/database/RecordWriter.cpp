#include "tools/check/database/RecordWriter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <cmath>
#include <initializer_list>

#include "tools/check/core/TextEscapes.h"
#include "tools/check/database/DatabaseConnection.h"
#include "tools/check/database/StoredValues.h"

namespace {

QVariant Text(const std::string& text) {
    return QString::fromStdString(StoredText(text));
}
QVariant Time(WallClock::time_point at) {
    return QString::fromStdString(StoredTime(at));
}
QVariant Hex(const ByteArray& bytes) {
    return QString::fromStdString(HexBytes(bytes));
}
QVariant Real(double value) {
    return std::isfinite(value) ? value : 0.0;
}

QVariant Number(const std::optional<double>& value) {
    if (value && std::isfinite(*value)) {
        return *value;
    }
    return QVariant(QMetaType::fromType<double>());
}

// The text a value keeps: a number that is not finite keeps its name there.
std::string ValueText(const RecordedValue& value) {
    if (!value.text.empty() || !value.number || std::isfinite(*value.number)) {
        return value.text;
    }
    return std::isnan(*value.number) ? "NaN" : (*value.number > 0 ? "Infinity" : "-Infinity");
}

}  // namespace

RecordWriter::Statement::Statement(const DatabaseConnection& connection, const char* sql)
    : connection_(connection), sql_(sql), query_(connection.database()) {}

RecordWriter::Statement::~Statement() = default;

bool RecordWriter::Statement::Run(std::initializer_list<QVariant> values, std::string& error) {
    // Prepared at its first use, and again after a failed preparation (a
    // table that was missing then).
    if (!prepared_ && !(prepared_ = query_.prepare(QString::fromLatin1(sql_)))) {
        error = connection_.Failure(query_.lastError());
        return false;
    }
    int index = 0;
    for (const QVariant& value : values) {
        query_.bindValue(index++, value);
    }
    return ExecPrepared(connection_, query_, error);
}

bool RecordWriter::Statement::HasRow() {
    const bool row = query_.next();
    query_.finish();  // a SQLite read left open would hold its snapshot
    return row;
}

RecordWriter::RecordWriter(DatabaseConnection& connection)
    : connection_(connection),
      runExists_(connection, "SELECT 1 FROM runs WHERE uuid = ?"),
      runInsert_(connection,
                 "INSERT INTO runs (uuid, plan_name, plan_version, plan_sha256, station, "
                 "start_time) VALUES (?, ?, ?, ?, ?, ?)"),
      runEnd_(connection, "UPDATE runs SET end_time = ? WHERE uuid = ?"),
      unitExists_(connection, "SELECT 1 FROM units WHERE uuid = ?"),
      unitInsert_(connection,
                  "INSERT INTO units (uuid, run_uuid, number, unit_id, slot, verdict, reason, "
                  "failed_step, start_time, end_time, ms, retest) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      stepInsert_(connection,
                  "INSERT INTO steps (uuid, unit_uuid, teardown, position, name, attempts, "
                  "verdict, reason, sent_hex, received_hex, trailing_hex, late_hex, start_time, "
                  "ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      valueInsert_(connection,
                   "INSERT INTO measurements (step_uuid, position, name, number, text, unit, "
                   "low, high, judged) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)") {}

bool RecordWriter::WriteRun(const StoredRun& run, std::string& error) {
    return InTransaction(error, [&] { return InsertRunIfMissing(run, error); });
}

bool RecordWriter::WriteUnit(const StoredRun& run, const StoredUnit& unit, std::string& error) {
    StoredRun runStart = run;
    runStart.info.end.reset();  // a unit's record never ends its run
    return InTransaction(error, [&] {
        if (!InsertRunIfMissing(runStart, error) ||
            !unitExists_.Run({QString::fromStdString(unit.uuid)}, error)) {
            return false;
        }
        return unitExists_.HasRow() || InsertUnit(unit, run.uuid, error);
    });
}

bool RecordWriter::InTransaction(std::string& error, const std::function<bool()>& work) {
    if (!connection_.Begin(error)) {
        return false;
    }
    if (!work() || !connection_.Commit(error)) {
        connection_.Rollback();
        return false;
    }
    return true;
}

bool RecordWriter::InsertRunIfMissing(const StoredRun& run, std::string& error) {
    const QString key = QString::fromStdString(run.uuid);
    if (!runExists_.Run({key}, error)) {
        return false;
    }
    const RunInfo& info = run.info;
    if (!runExists_.HasRow() &&
        !runInsert_.Run({key, Text(info.planName), Text(info.planVersion), Text(info.planSha256),
                         Text(info.station), Time(info.start)},
                        error)) {
        return false;
    }
    return !info.end || runEnd_.Run({Time(*info.end), key}, error);
}

bool RecordWriter::InsertUnit(const StoredUnit& unit, const std::string& runUuid,
                              std::string& error) {
    const UnitResult& u = unit.result;
    if (!unitInsert_.Run({QString::fromStdString(unit.uuid), QString::fromStdString(runUuid),
                          static_cast<qlonglong>(u.unit), Text(u.id), Text(u.slot),
                          QString::fromLatin1(VerdictName(u.verdict)), Text(u.reason),
                          Text(u.failedStep), Time(u.start), Time(u.end), Real(u.ms), u.retest},
                         error)) {
        return false;
    }
    for (bool teardown : {false, true}) {
        int position = 0;
        for (const StepResult& step : teardown ? u.teardown : u.steps) {
            if (!InsertStep(unit.uuid, step, teardown, ++position, error)) {
                return false;
            }
        }
    }
    return true;
}

bool RecordWriter::InsertStep(const std::string& unitUuid, const StepResult& step, bool teardown,
                              int position, std::string& error) {
    const QString stepUuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!stepInsert_.Run(
            {stepUuid, QString::fromStdString(unitUuid), teardown ? 1 : 0, position,
             Text(step.name), step.attempts, QString::fromLatin1(VerdictName(step.verdict)),
             Text(step.reason), Hex(step.sent), Hex(step.received), Hex(step.trailing),
             Hex(step.late), Time(step.start), Real(step.ms)},
            error)) {
        return false;
    }
    int valuePosition = 0;
    for (const RecordedValue& value : step.values) {
        if (!valueInsert_.Run({stepUuid, ++valuePosition, Text(value.name), Number(value.number),
                               Text(ValueText(value)), Text(value.unit), Number(value.low),
                               Number(value.high), value.judged ? 1 : 0},
                              error)) {
            return false;
        }
    }
    return true;
}
