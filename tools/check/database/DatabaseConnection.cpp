#include "tools/check/database/DatabaseConnection.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

namespace {

// Each connection has its own name, as Qt SQL asks of connections that live
// side by side.
QString NewConnectionName() {
    static QAtomicInt next;
    return QStringLiteral("tessaline-results-%1").arg(next.fetchAndAddRelaxed(1));
}

// libpq's options: give up connecting after `seconds`, and notice a server
// that went away without a word (power cut, cable) by TCP keepalives and an
// unacknowledged-send limit, rather than wait for ever.
QString PostgresOptions(int seconds) {
    return QStringLiteral(
               "connect_timeout=%1;keepalives=1;keepalives_idle=%1;keepalives_interval=1;"
               "keepalives_count=%1;tcp_user_timeout=%2;application_name=tessaline-check")
        .arg(seconds)
        .arg(seconds * 1000);
}

// WAL: readers never block the writer, and a commit is one append to the
// log; FULL: a commit survives a power cut once it has returned.
//
// Switching a new file to WAL needs it alone. Two programs that open a new
// file at once would each wait for the other, so SQLite fails one at once
// instead of waiting its busy timeout: that one tries again until the
// timeout is up.
std::string SetUpSqliteFile(DatabaseConnection& connection, int busyMs) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery wal(connection.database());
        if (wal.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && wal.next() &&
            wal.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) == 0) {
            break;
        }
        const bool busy = wal.lastError().nativeErrorCode() == QLatin1String("5");
        if (!busy || waited.elapsed() >= busyMs) {
            return wal.lastError().isValid()
                       ? connection.Failure(wal.lastError())
                       : connection.Failure("the file cannot be put in WAL mode");
        }
        QThread::msleep(10);
    }
    std::string error;
    connection.Exec(QStringLiteral("PRAGMA synchronous=FULL"), error) &&
        connection.Exec(QStringLiteral("PRAGMA foreign_keys=ON"), error);
    return error;
}

}  // namespace

DatabaseConnection::~DatabaseConnection() {
    Close();
}

QSqlDatabase DatabaseConnection::database() const {
    return QSqlDatabase::database(name_, false);
}

std::string DatabaseConnection::Open(const DatabaseTarget& target, const Limits& limits) {
    Close();
    target_ = target;
    const bool sqlite = isSqlite();
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        return Failure("Qt's " + driver.toStdString() + " driver is missing (Debian: " +
                       (sqlite ? "libqt6sql6-sqlite" : "libqt6sql6-psql") + ")");
    }
    name_ = NewConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name_);
        if (sqlite) {
            db.setDatabaseName(QString::fromStdString(target.path));
            db.setConnectOptions(
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(limits.sqliteBusyMs));
        } else {
            db.setHostName(QString::fromStdString(target.host));
            db.setPort(target.port);
            db.setUserName(QString::fromStdString(target.user));
            db.setPassword(QString::fromStdString(target.password));
            db.setDatabaseName(QString::fromStdString(target.database));
            db.setConnectOptions(PostgresOptions(limits.connectSeconds));
        }
        if (!db.open()) {
            const std::string failure = Failure(db.lastError());
            db = QSqlDatabase();
            Close();
            return failure;
        }
    }
    const std::string error = sqlite ? SetUpSqliteFile(*this, limits.sqliteBusyMs) : std::string();
    if (!error.empty()) {
        Close();
    }
    return error;
}

void DatabaseConnection::Close() {
    if (name_.isEmpty()) {
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    name_.clear();
}

bool DatabaseConnection::Begin(std::string& error) {
    return Exec(isSqlite() ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), error);
}

bool DatabaseConnection::Commit(std::string& error) {
    return Exec(QStringLiteral("COMMIT"), error);
}

void DatabaseConnection::Rollback() {
    std::string ignored;
    Exec(QStringLiteral("ROLLBACK"), ignored);
}

bool DatabaseConnection::Exec(const QString& sql, std::string& error) {
    QSqlQuery query(database());
    if (!query.exec(sql)) {
        error = Failure(query.lastError());
        return false;
    }
    return true;
}

namespace {

QtMessageHandler passOn = nullptr;

void DropStatementWarnings(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (!message.startsWith(QLatin1String("Unable to free statement"))) {
        passOn(type, context, message);
    }
}

}  // namespace

void DatabaseConnection::ReleaseQuietly(const std::function<void()>& release) {
    passOn = qInstallMessageHandler(DropStatementWarnings);
    release();
    qInstallMessageHandler(passOn);
}

std::string DatabaseConnection::Failure(const QSqlError& error) const {
    QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return Failure(text.simplified().toStdString());
}

std::string DatabaseConnection::Failure(const std::string& reason) const {
    return "results database " + target_.Name() + ": " + reason;
}

bool ExecPrepared(const DatabaseConnection& connection, QSqlQuery& query, std::string& error) {
    if (!query.exec()) {
        error = connection.Failure(query.lastError());
        return false;
    }
    return true;
}
