#include "support/PostgresServer.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"

namespace {

constexpr const char* kDefaultBin = "/usr/lib/postgresql/15/bin";
constexpr int kCommandMs = 120000;

std::string Tail(const std::string& path) {
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

}  // namespace

PostgresServer::PostgresServer() {
    error_ = Start();
    if (!error_.empty()) {
        error_ = "PostgreSQL test server: " + error_;
    }
}

PostgresServer::~PostgresServer() {
    if (watcherPipe_ >= 0) {
        close(watcherPipe_);  // the watcher stops the server and removes the folder
    }
    if (watcher_ > 0) {
        waitpid(watcher_, nullptr, 0);
    }
}

PostgresServer& PostgresServer::Shared() {
    static PostgresServer server;
    return server;
}

std::string PostgresServer::Start() {
    const char* bin = getenv("TESSALINE_POSTGRES_BIN");
    bin_ = bin != nullptr && *bin != '\0' ? bin : kDefaultBin;
    for (const char* program : {"initdb", "pg_ctl", "postgres", "createdb"}) {
        const std::string path = bin_ + "/" + program;
        if (access(path.c_str(), X_OK) != 0) {
            return path +
                   " is missing: install Debian's postgresql package (scripts/setup), "
                   "or name PostgreSQL 15's bin folder in TESSALINE_POSTGRES_BIN";
        }
    }
    if (geteuid() == 0) {
        const passwd* postgres = getpwnam("postgres");
        if (postgres == nullptr) {
            return "running as root, the server needs the user postgres that Debian's "
                   "postgresql package creates";
        }
        switchUser_ = true;
        user_ = postgres->pw_uid;
        group_ = postgres->pw_gid;
    }
    // A short path: the socket's whole path must fit in about 100 characters.
    std::string pattern = "/tmp/tessaline-pg-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return "cannot create a folder in /tmp";
    }
    folder_ = pattern;
    if (switchUser_ && chown(folder_.c_str(), user_, group_) != 0) {
        rmdir(folder_.c_str());
        return "cannot give " + folder_ + " to the user postgres";
    }
    if (std::string error = StartWatcher(); !error.empty()) {
        rmdir(folder_.c_str());
        return error;
    }
    ChildProcess::Options as{false, std::nullopt};
    if (switchUser_) {
        as.user = user_;
    }
    const std::string data = folder_ + "/data";
    ChildProcess initdb({bin_ + "/initdb", "-D", data, "-U", kUser, "-A", "trust", "-E", "UTF8",
                         "--locale=C", "--no-sync", "--no-instructions"},
                        as);
    const std::string initdbOutput = initdb.ReadAll(kCommandMs);
    if (initdb.Wait(kCommandMs) != 0) {
        return "initdb failed: " + initdbOutput;
    }
    // No TCP port, a socket in our folder; durability is not what these
    // tests are about, so no fsync.
    const std::string options = "-k " + folder_ + " -p " + std::to_string(kPort) +
                                " -c listen_addresses='' -c fsync=off -c full_page_writes=off"
                                " -c synchronous_commit=off";
    const std::string log = folder_ + "/server.log";
    ChildProcess start(
        {bin_ + "/pg_ctl", "-D", data, "-l", log, "-w", "-t", "60", "-o", options, "start"}, as);
    const std::string startOutput = start.ReadAll(kCommandMs);
    if (start.Wait(kCommandMs) != 0) {
        return "pg_ctl start failed: " + startOutput + Tail(log);
    }
    return {};
}

// A process of its own session (a Ctrl-C to the test does not reach it)
// that waits for the end of a pipe whose other end only this process holds,
// then stops the server at once and removes the folder.
std::string PostgresServer::StartWatcher() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return "cannot make a pipe for the watcher";
    }
    const std::string script =
        "read _; \"$1/pg_ctl\" -D \"$2/data\" -m immediate -w stop >/dev/null 2>&1; rm -rf \"$2\"";
    const std::vector<std::string> argv = {"/bin/sh", "-c", script, "sh", bin_, folder_};
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        dup2(ends[0], STDIN_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (switchUser_ &&
            (setgroups(0, nullptr) != 0 || setgid(group_) != 0 || setuid(user_) != 0)) {
            _exit(ChildProcess::kCannotSwitchUser);
        }
        execv(args[0], args.data());
        _exit(ChildProcess::kCannotRun);
    }
    close(ends[0]);
    if (pid < 0) {
        close(ends[1]);
        return "cannot start the watcher";
    }
    watcher_ = pid;
    watcherPipe_ = ends[1];
    return {};
}

std::string PostgresServer::CreateDatabase(const std::string& name) const {
    if (!error_.empty()) {
        return error_;
    }
    ChildProcess createdb(
        {bin_ + "/createdb", "-h", folder_, "-p", std::to_string(kPort), "-U", kUser, name});
    const std::string output = createdb.ReadAll(kCommandMs);
    return createdb.Wait(kCommandMs) == 0 ? "" : "createdb " + name + " failed: " + output;
}

std::string PostgresServer::Url(const std::string& database) const {
    // The folder's name holds letters, digits and '-' besides its slashes.
    std::string host = folder_;
    for (size_t at; (at = host.find('/')) != std::string::npos;) {
        host.replace(at, 1, "%2F");
    }
    return std::string("postgresql://") + kUser + "@" + host + ":" + std::to_string(kPort) + "/" +
           database;
}
