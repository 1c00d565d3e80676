#include "tools/check/database/ResultsSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "tools/check/database/DatabaseConnection.h"

namespace {

// The statements of each step, in order; step N brings version N-1 to N.
const std::vector<std::vector<const char*>> kSteps = {
    {
        "CREATE TABLE runs ("
        " uuid TEXT PRIMARY KEY,"
        " plan_name TEXT NOT NULL,"
        " plan_version TEXT NOT NULL,"
        " plan_sha256 TEXT NOT NULL,"
        " station TEXT NOT NULL,"
        " start_time TEXT NOT NULL,"
        " end_time TEXT)",

        "CREATE TABLE units ("
        " uuid TEXT PRIMARY KEY,"
        " run_uuid TEXT NOT NULL REFERENCES runs (uuid),"
        " number BIGINT NOT NULL,"
        " unit_id TEXT NOT NULL,"
        " slot TEXT NOT NULL,"
        " verdict TEXT NOT NULL,"
        " reason TEXT NOT NULL,"
        " failed_step TEXT NOT NULL,"
        " start_time TEXT NOT NULL,"
        " end_time TEXT NOT NULL,"
        " ms DOUBLE PRECISION NOT NULL,"
        " retest INTEGER NOT NULL)",

        "CREATE TABLE steps ("
        " uuid TEXT PRIMARY KEY,"
        " unit_uuid TEXT NOT NULL REFERENCES units (uuid),"
        " teardown INTEGER NOT NULL,"
        " position INTEGER NOT NULL,"
        " name TEXT NOT NULL,"
        " attempts INTEGER NOT NULL,"
        " verdict TEXT NOT NULL,"
        " reason TEXT NOT NULL,"
        " sent_hex TEXT NOT NULL,"
        " received_hex TEXT NOT NULL,"
        " trailing_hex TEXT NOT NULL,"
        " late_hex TEXT NOT NULL,"
        " start_time TEXT NOT NULL,"
        " ms DOUBLE PRECISION NOT NULL,"
        " UNIQUE (unit_uuid, teardown, position))",

        "CREATE TABLE measurements ("
        " step_uuid TEXT NOT NULL REFERENCES steps (uuid),"
        " position INTEGER NOT NULL,"
        " name TEXT NOT NULL,"
        " number DOUBLE PRECISION,"
        " text TEXT NOT NULL,"
        " unit TEXT NOT NULL,"
        " low DOUBLE PRECISION,"
        " high DOUBLE PRECISION,"
        " judged INTEGER NOT NULL,"
        " PRIMARY KEY (step_uuid, position))",
    },
    {
        "CREATE INDEX units_by_start_time ON units (start_time)",
        "CREATE INDEX units_by_unit_id ON units (unit_id)",
        "CREATE INDEX units_by_run ON units (run_uuid)",
        "CREATE INDEX steps_by_unit ON steps (unit_uuid)",
    },
};

const QStringList kTables = {"runs", "units", "steps", "measurements"};

// The version the database holds: 0 for one without our tables, -1 after a
// failure (in `error`).
int StoredVersion(DatabaseConnection& connection, std::string& error) {
    const QStringList tables = connection.database().tables();
    if (!tables.contains(QStringLiteral("schema_version"))) {
        for (const QString& table : kTables) {
            if (tables.contains(table)) {
                error = connection.Failure("it has a table \"" + table.toStdString() +
                                           "\" but no schema_version: not a results database");
                return -1;
            }
        }
        return 0;
    }
    QSqlQuery query(connection.database());
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
        error = connection.Failure(query.lastError());
        return -1;
    }
    if (!query.next() || query.value(0).isNull()) {
        error = connection.Failure("its schema_version table is empty");
        return -1;
    }
    return query.value(0).toInt();
}

// Takes the database's lock for schema changes until the transaction ends:
// SQLite's write lock comes with BEGIN IMMEDIATE, PostgreSQL takes an
// advisory lock of its own.
bool LockForSchema(DatabaseConnection& connection, std::string& error) {
    if (!connection.Begin(error)) {
        return false;
    }
    if (!connection.isSqlite() &&
        !connection.Exec(QStringLiteral("SELECT pg_advisory_xact_lock(7061746573)"), error)) {
        connection.Rollback();
        return false;
    }
    return true;
}

// One step in its own transaction, its version written with it.
bool ApplyStep(DatabaseConnection& connection, int version, std::string& error) {
    for (const char* statement : kSteps[static_cast<size_t>(version - 1)]) {
        if (!connection.Exec(QString::fromLatin1(statement), error)) {
            return false;
        }
    }
    const QString record =
        version == 1 ? QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")
                     : QStringLiteral("DELETE FROM schema_version");
    return connection.Exec(record, error) &&
           connection.Exec(
               QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(version),
               error);
}

}  // namespace

std::string PrepareResultsSchema(DatabaseConnection& connection) {
    return PrepareResultsSchema(connection, kResultsSchemaVersion);
}

std::string PrepareResultsSchema(DatabaseConnection& connection, int version) {
    for (;;) {
        std::string error;
        if (!LockForSchema(connection, error)) {
            return error;
        }
        const int stored = StoredVersion(connection, error);
        if (stored < 0) {
            connection.Rollback();
            return error;
        }
        if (stored > kResultsSchemaVersion) {
            connection.Rollback();
            return connection.Failure("its schema is version " + std::to_string(stored) +
                                      ", newer than version " +
                                      std::to_string(kResultsSchemaVersion) +
                                      " that this tessaline-check writes; use a newer "
                                      "tessaline-check or another database");
        }
        if (stored >= version) {
            connection.Rollback();
            return {};
        }
        if (!ApplyStep(connection, stored + 1, error) || !connection.Commit(error)) {
            connection.Rollback();
            return error;
        }
    }
}
