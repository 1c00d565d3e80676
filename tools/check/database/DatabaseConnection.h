#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <string>

#include "tools/check/database/DatabaseTarget.h"

class QSqlError;
class QSqlQuery;

// One Qt SQL connection to the results database, used only from the thread
// that opened it (Qt SQL's rule). SQLite runs in WAL mode with a busy
// timeout, so that several programs on one machine write to one file; a
// PostgreSQL server that is gone fails within a few seconds instead of
// holding the run.
class DatabaseConnection {
public:
    struct Limits {
        int sqliteBusyMs = 10000;  // how long a SQLite writer waits for another
        int connectSeconds = 5;    // PostgreSQL: to connect, and to notice a gone server
    };

    DatabaseConnection() = default;
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    // Empty on success, else one line naming the target and the reason.
    std::string Open(const DatabaseTarget& target, const Limits& limits);
    void Close();

    bool isOpen() const { return !name_.isEmpty(); }
    bool isSqlite() const { return target_.kind == DatabaseTarget::Kind::Sqlite; }
    const DatabaseTarget& target() const { return target_; }
    QSqlDatabase database() const;

    // A transaction that writes. SQLite takes its write lock at once, so that
    // two writers wait for each other rather than fail at their first insert.
    bool Begin(std::string& error);
    bool Commit(std::string& error);
    void Rollback();

    // Runs one statement without parameters.
    bool Exec(const QString& sql, std::string& error);

    // "results database TARGET: REASON" on one line.
    std::string Failure(const QSqlError& error) const;
    std::string Failure(const std::string& reason) const;

    // Runs `release`, which destroys queries of this connection, without the
    // warning Qt's PostgreSQL driver prints for each prepared statement it
    // cannot free on a connection the server dropped: the failure has been
    // reported once already.
    static void ReleaseQuietly(const std::function<void()>& release);

private:
    DatabaseTarget target_;
    QString name_;  // the Qt connection's name; empty while closed
};

// Runs a prepared query; on failure `error` gets the connection's line.
bool ExecPrepared(const DatabaseConnection& connection, QSqlQuery& query, std::string& error);
