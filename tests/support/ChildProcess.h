#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// A program a test runs beside itself: the test writes its standard input and
// reads its standard output, and its standard error with the output or apart.
// It is killed if it still runs when the object goes.
class ChildProcess {
public:
    struct Options {
        bool separateErrors = false;  // standard error on a pipe of its own
        std::optional<uid_t> user;    // run as this user and its group (the caller must be root)
        bool ownSession = false;      // a session of its own: a Ctrl-C to the test misses it
    };

    // Runs argv[0] with the arguments that follow.
    explicit ChildProcess(const std::vector<std::string>& argv, Options options);
    explicit ChildProcess(const std::vector<std::string>& argv,
                          std::optional<uid_t> user = std::nullopt)
        : ChildProcess(argv, Options{false, user}) {}
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // One line of output without its line end; empty if none came in time.
    std::string ReadLine(int timeoutMs);
    // Everything it writes until it closes its output or the time is up.
    std::string ReadAll(int timeoutMs);
    // The same for its standard error, when kept apart.
    std::string ReadAllErrors(int timeoutMs);
    // Writes to its standard input; false when it does not take it all.
    bool Write(const std::string& bytes);
    // Ends its standard input, which asks a program that reads it to end.
    void CloseInput();
    void Signal(int signal);
    // Its exit code once it has ended; -1 if it was killed by a signal or
    // did not end in time (it is then killed).
    int Wait(int timeoutMs);

    // Exit codes of a child that could not become the program.
    static constexpr int kCannotSwitchUser = 126;
    static constexpr int kCannotRun = 127;

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::string pending_;
    bool ended_ = false;
};
