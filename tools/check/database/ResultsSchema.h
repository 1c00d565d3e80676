#pragma once

#include <string>

class DatabaseConnection;

// The tables of the results database, the same SQL on SQLite and PostgreSQL:
// keys are UUID texts the writer makes (so a unit sent twice is seen as one),
// times ISO-8601 UTC texts, flags 0 or 1.
//
// The schema_version table holds the version of the tables. Each version is
// a step from the one before; a step, once released, never changes.
//   1: runs, units, steps, measurements
//   2: indexes for the report's and the history's queries
inline constexpr int kResultsSchemaVersion = 2;

// Creates the tables of a database that has none, or brings an older schema
// up to kResultsSchemaVersion step by step, each step in its own transaction;
// several programs opening one database at once take turns. A newer schema
// is refused. Empty on success, else one line.
std::string PrepareResultsSchema(DatabaseConnection& connection);

// The same, stopping at `version`: tests make an older database with it.
std::string PrepareResultsSchema(DatabaseConnection& connection, int version);
