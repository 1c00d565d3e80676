#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"

// A PostgreSQL 15 server of the test's own (Debian's postgresql package):
// a cluster made by initdb in a temporary folder, started by pg_ctl on a
// Unix socket in that folder and on no TCP port, so that it meets no other
// server. It runs as the calling user, or as the user postgres when that
// is root (PostgreSQL refuses root). A watcher process stops it and removes
// the folder when the object goes, and also when the test dies without a
// word (a crash, SIGKILL), so no server outlives its test.
class PostgresServer {
public:
    // Starts the server; error() says why when it could not.
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The server of this test program, started on first use: one start per
    // program keeps the suite quick.
    static PostgresServer& Shared();

    // Empty while the server runs, else one line saying why it does not.
    const std::string& error() const { return error_; }

    // Creates an empty database; empty on success, else why not.
    std::string CreateDatabase(const std::string& name) const;

    // --db's URL of a database: postgresql://tessaline@%2Ftmp%2F...:5432/NAME.
    std::string Url(const std::string& database) const;

    const std::string& socketFolder() const { return folder_; }

    static constexpr int kPort = 5432;
    static constexpr const char* kUser = "tessaline";

private:
    std::string Start();

    std::string bin_;
    std::string folder_;                // the cluster in data/, the socket and the server's log
    ChildProcess::Options serverUser_;  // postgres when this process is root
    // Stops the server and removes the folder when its input ends: when this
    // object goes, or when the process that holds the input's end dies.
    std::unique_ptr<ChildProcess> watcher_;
    std::string error_;
};
