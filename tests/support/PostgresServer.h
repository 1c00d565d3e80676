#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"

// A PostgreSQL 15 server of the test program's own (Debian's postgresql
// package): initdb into a temporary folder, pg_ctl on a Unix socket there
// and on no TCP port, so that it meets no other server; as the user postgres
// when the test runs as root (PostgreSQL refuses root). No server outlives
// its test, even one killed without a word (a crash, SIGKILL).
class PostgresServer {
public:
    // The server of this test program, started on first use: one start per
    // program keeps the suite quick.
    static PostgresServer& Shared();
    ~PostgresServer();

    // Empty while the server runs, else one line saying why it does not.
    const std::string& error() const { return error_; }
    // Creates an empty database; empty on success, else why not.
    std::string CreateDatabase(const std::string& name) const;
    // --db's URL of a database: postgresql://tessaline@%2Ftmp%2F...:5432/NAME.
    std::string Url(const std::string& database) const;

private:
    PostgresServer();
    std::string Start();

    std::string bin_;
    std::string folder_;                // the cluster in data/, the socket and the server's log
    ChildProcess::Options serverUser_;  // postgres when this process is root
    // Stops the server and removes the folder when its input ends: when this
    // object goes, or when the process holding the input's end dies.
    std::unique_ptr<ChildProcess> watcher_;
    std::string error_;
};
