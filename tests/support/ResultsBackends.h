#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <string>
#include <vector>

#include "support/PostgresServer.h"
#include "support/TempDir.h"
#include "tools/check/database/DatabaseConnection.h"
#include "tools/check/database/DatabaseTarget.h"

// A query's rows, each value as text.
using Rows = std::vector<std::vector<std::string>>;

inline DatabaseTarget Target(const std::string& text) {
    std::string error;
    const auto target = ParseDatabaseTarget(text, error);
    EXPECT_TRUE(target) << error;
    return target.value_or(DatabaseTarget());
}

// A query's rows as texts ("NULL" for NULL), on a connection of its own,
// with values for its placeholders such as :id.
inline Rows Select(const std::string& db, const std::string& sql,
                   const std::vector<std::pair<const char*, const char*>>& bound = {}) {
    DatabaseConnection connection;
    EXPECT_EQ(connection.Open(Target(db), {}), "");
    QSqlQuery query(connection.database());
    const bool prepared = query.prepare(QString::fromStdString(sql));
    for (const auto& [name, value] : bound) {
        query.bindValue(QString::fromUtf8(name), QString::fromUtf8(value));
    }
    EXPECT_TRUE(prepared && query.exec()) << sql << ": " << query.lastError().text().toStdString();
    Rows rows;
    while (query.next()) {
        rows.emplace_back();
        for (int c = 0; c < query.record().count(); ++c) {
            const QVariant value = query.value(c);
            rows.back().push_back(value.isNull() ? "NULL" : value.toString().toStdString());
        }
    }
    return rows;
}

inline void Exec(const std::string& db, const std::string& sql) {
    DatabaseConnection connection;
    ASSERT_EQ(connection.Open(Target(db), {}), "");
    std::string error;
    ASSERT_TRUE(connection.Exec(QString::fromStdString(sql), error)) << error;
}

// A test on a new database of either kind, a SQLite file or a database of
// the test program's own PostgreSQL server (started on first use), in its
// own current folder with its own pending-file folder (XDG_STATE_HOME,
// which writer programs inherit).
class ResultsBackendTest : public TempDirFixture,
                           public ::testing::WithParamInterface<DatabaseTarget::Kind> {
protected:
    void SetUp() override {
        TempDirFixture::SetUp();
        setenv("XDG_STATE_HOME", stateFolder().c_str(), 1);
        if (postgres()) {
            ASSERT_EQ(PostgresServer::Shared().error(), "");
        }
    }
    void TearDown() override {
        unsetenv("XDG_STATE_HOME");
        TempDirFixture::TearDown();
    }

    std::string stateFolder() const { return (dir() / "state").string(); }
    bool postgres() const { return GetParam() == DatabaseTarget::Kind::Postgres; }

    // A new empty database of this kind, as --db names it.
    std::string Fresh() {
        static int count = 0;
        const std::string name = "results" + std::to_string(++count);
        if (!postgres()) {
            return (dir() / (name + ".sqlite")).string();
        }
        EXPECT_EQ(PostgresServer::Shared().CreateDatabase(name), "");
        return PostgresServer::Shared().Url(name);
    }
};

inline const auto kBothDatabases =
    ::testing::Values(DatabaseTarget::Kind::Sqlite, DatabaseTarget::Kind::Postgres);

inline std::string DatabaseName(const ::testing::TestParamInfo<DatabaseTarget::Kind>& info) {
    return info.param == DatabaseTarget::Kind::Postgres ? "PostgreSQL" : "SQLite";
}
