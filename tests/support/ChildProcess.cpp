#include "support/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& argv, std::optional<uid_t> user) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    // Built before fork: between fork and exec the child only makes system calls.
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        if (user) {
            const gid_t group = static_cast<gid_t>(*user);
            if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(*user) != 0) {
                _exit(kCannotSwitchUser);
            }
        }
        execv(args[0], args.data());
        _exit(kCannotRun);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    pid_ = pid;
    input_ = in[1];
    output_ = out[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {input_, output_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool ChildProcess::Readable(int timeoutMs) const {
    pollfd p{output_, POLLIN, 0};
    return output_ >= 0 && poll(&p, 1, timeoutMs) > 0;
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
        if (left.count() <= 0 || !Readable(static_cast<int>(left.count()))) {
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
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text = std::move(pending_);
    pending_.clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        char buffer[4096];
        if (left.count() <= 0 || !Readable(static_cast<int>(left.count()))) {
            return text;
        }
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            return text;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
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
