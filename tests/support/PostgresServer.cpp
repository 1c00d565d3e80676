#include "support/PostgresServer.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "support/TempDir.h"

namespace {

constexpr const char* kDefaultBin = "/usr/lib/postgresql/15/bin";
constexpr int kCommandMs = 120000;
constexpr const char* kUser = "tessaline";
constexpr const char* kPort = "5432";

// Runs a program to its end: empty when it succeeds, else what it printed.
std::string Failure(const std::vector<std::string>& argv, const ChildProcess::Options& as = {}) {
    ChildProcess program(argv, as);
    const std::string output = program.ReadAll(kCommandMs);
    return program.Wait(kCommandMs) == 0 ? "" : argv[0] + " failed: " + output;
}

}  // namespace

PostgresServer::PostgresServer() {
    if (const std::string error = Start(); !error.empty()) {
        error_ = "PostgreSQL test server: " + error;
    }
}

PostgresServer::~PostgresServer() {
    if (watcher_) {
        watcher_->CloseInput();
        watcher_->Wait(kCommandMs);
    }
}

PostgresServer& PostgresServer::Shared() {
    static PostgresServer server;
    return server;
}

std::string PostgresServer::Start() {
    const char* bin = getenv("TESSALINE_POSTGRES_BIN");
    bin_ = bin != nullptr && *bin != '\0' ? bin : kDefaultBin;
    if (access((bin_ + "/initdb").c_str(), X_OK) != 0) {
        return bin_ +
               "/initdb is missing: install Debian's postgresql package (scripts/setup), "
               "or name PostgreSQL 15's bin folder in TESSALINE_POSTGRES_BIN";
    }
    gid_t group = 0;
    if (geteuid() == 0) {
        const passwd* postgres = getpwnam("postgres");
        if (postgres == nullptr) {
            return "running as root, the server needs the user postgres that Debian's "
                   "postgresql package creates";
        }
        serverUser_.user = postgres->pw_uid;
        group = postgres->pw_gid;
    }
    // A short path: the socket's whole path must fit in about 100 characters.
    std::string pattern = "/tmp/tessaline-pg-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return "cannot create a folder in /tmp";
    }
    folder_ = pattern;
    if (serverUser_.user && chown(folder_.c_str(), *serverUser_.user, group) != 0) {
        rmdir(folder_.c_str());
        return "cannot give " + folder_ + " to the user postgres";
    }
    ChildProcess::Options watcherOptions = serverUser_;
    watcherOptions.ownSession = true;  // a Ctrl-C to the test leaves it to stop the server
    watcher_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/bin/sh", "-c",
                                 "exec >/dev/null 2>&1; read _; \"$1/pg_ctl\" -D \"$2/data\" "
                                 "-m immediate -w stop; rm -rf \"$2\"",
                                 "sh", bin_, folder_},
        watcherOptions);
    if (!watcher_->Started()) {
        rmdir(folder_.c_str());
        return "cannot start the watcher";
    }
    const std::string data = folder_ + "/data";
    const std::string initdb =
        Failure({bin_ + "/initdb", "-D", data, "-U", kUser, "-A", "trust", "-E", "UTF8",
                 "--locale=C", "--no-sync", "--no-instructions"},
                serverUser_);
    if (!initdb.empty()) {
        return initdb;
    }
    // No TCP port, a socket in our folder; durability is not what these
    // tests are about, so no fsync.
    const std::string options = "-k " + folder_ + " -p " + kPort +
                                " -c listen_addresses='' -c fsync=off -c full_page_writes=off"
                                " -c synchronous_commit=off";
    const std::string log = folder_ + "/server.log";
    const std::string error =
        Failure({bin_ + "/pg_ctl", "-D", data, "-l", log, "-w", "-t", "60", "-o", options, "start"},
                serverUser_);
    return error.empty() ? error : error + temp_files::ReadFile(log);
}

std::string PostgresServer::CreateDatabase(const std::string& name) const {
    return Failure({bin_ + "/createdb", "-h", folder_, "-p", kPort, "-U", kUser, name});
}

std::string PostgresServer::Url(const std::string& database) const {
    // The folder's name holds letters, digits and '-' besides its slashes.
    std::string host = folder_;
    for (size_t at; (at = host.find('/')) != std::string::npos;) {
        host.replace(at, 1, "%2F");
    }
    return std::string("postgresql://") + kUser + "@" + host + ":" + kPort + "/" + database;
}
