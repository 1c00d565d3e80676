#include "support/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/Pty.h"

namespace {

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && poll(&p, 1, timeoutMs) > 0;
}

std::string Text(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, Options options) {
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
        (options.separateErrors && pipe2(err, O_CLOEXEC) != 0)) {
        for (int fd : {in[0], in[1], out[0], out[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return;
    }
    // Built before fork: between fork and exec the child only makes system calls.
    // The user's own group, as the system has it (postgres is not group 101).
    gid_t group = 0;
    if (options.user) {
        group = static_cast<gid_t>(*options.user);
        passwd entry{};
        passwd* found = nullptr;
        char buffer[4096];
        if (getpwuid_r(*options.user, &entry, buffer, sizeof buffer, &found) == 0 && found) {
            group = found->pw_gid;
        }
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (options.ownSession) {
            setsid();
        }
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(options.separateErrors ? err[1] : out[1], STDERR_FILENO);
        if (options.user) {
            if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(*options.user) != 0) {
                _exit(kCannotSwitchUser);
            }
        }
        execv(args[0], args.data());
        _exit(kCannotRun);
    }
    for (int fd : {in[0], out[1], err[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
    if (pid > 0) {
        pid_ = pid;
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {input_, output_, errors_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::string ChildProcess::ReadLine(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t lineEnd = pending_.find('\n');
        if (lineEnd != std::string::npos) {
            std::string line = pending_.substr(0, lineEnd);
            pending_.erase(0, lineEnd + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        char buffer[512];
        if (left.count() <= 0 || !Readable(output_, static_cast<int>(left.count()))) {
            return {};
        }
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            return {};
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

std::string ChildProcess::ReadAll(int timeoutMs) {
    std::string text = std::move(pending_);
    pending_.clear();
    return text + Text(ReadFor(output_, timeoutMs));
}

std::string ChildProcess::ReadAllErrors(int timeoutMs) {
    return Text(ReadFor(errors_, timeoutMs));
}

bool ChildProcess::Write(const std::string& bytes) {
    size_t done = 0;
    while (input_ >= 0 && done < bytes.size()) {
        const ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return done == bytes.size();
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !ended_) {
        kill(pid_, signal);
    }
}

int ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0 || ended_) {
        return -1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            ended_ = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
