#include "support/DeviceProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

DeviceProcess::DeviceProcess(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (pipe(out) != 0) {
        return;
    }
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    // Built before fork: the child only calls what is safe after it.
    std::vector<char*> argv{const_cast<char*>(TESSALINE_DEVICE_PATH)};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

DeviceProcess::~DeviceProcess() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {port_, out_, err_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool DeviceProcess::Wait(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && poll(&p, 1, timeoutMs) > 0;
}

std::string DeviceProcess::FirstLine(int timeoutMs) {
    std::string line;
    char c;
    while (Wait(out_, timeoutMs) && read(out_, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

std::string DeviceProcess::Drain(int fd) {
    std::string text;
    char buffer[512];
    while (Wait(fd, 2000)) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

bool DeviceProcess::OpenPort(const std::string& path) {
    port_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (port_ < 0) {
        return false;
    }
    termios t{};
    tcgetattr(port_, &t);
    cfmakeraw(&t);
    tcsetattr(port_, TCSANOW, &t);
    return true;
}

bool DeviceProcess::Send(const std::vector<unsigned char>& bytes) {
    return write(port_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::vector<unsigned char> DeviceProcess::Receive(size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    std::vector<unsigned char> got;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    unsigned char buffer[256];
    for (auto now = Clock::now(); got.size() < count && now < end; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        if (Wait(port_, static_cast<int>(left.count()) + 1)) {
            const ssize_t n = read(port_, buffer, sizeof buffer);
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            }
        }
    }
    return got;
}

int DeviceProcess::Stop(int signal) {
    kill(pid_, signal);
    return ExitCode();
}

int DeviceProcess::ExitCode() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) {
        return -1;
    }
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
