#include "support/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

Pty::Pty() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    // Raw mode, so that bytes pass unchanged in both directions.
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Not inherited by programs the test starts: a copy of the master there
    // would keep the line up after the test closes its own.
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    path_ = name;
}

Pty::~Pty() {
    CloseMaster();
    if (slave_ >= 0) {
        close(slave_);
    }
}

void Pty::CloseMaster() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}

void Pty::Write(const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

void Pty::Write(const std::string& bytes) {
    Write(BytesOf(bytes));
}

std::vector<unsigned char> Pty::Read(int timeoutMs, size_t expected) {
    return ReadFor(master_, timeoutMs, expected);
}

termios Pty::LineSettings() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
}

std::vector<unsigned char> BytesOf(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

std::vector<unsigned char> ReadFor(int fd, int timeoutMs, size_t expected) {
    std::vector<unsigned char> out;
    if (fd < 0) {
        return out;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < expected) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        unsigned char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.insert(out.end(), buf, buf + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;  // the other end closed
        }
    }
    return out;
}

ComMapping::ComMapping(int port, const std::string& path)
    : name_("TESSALINE_COM" + std::to_string(port)) {
    setenv(name_.c_str(), path.c_str(), 1);
}

ComMapping::~ComMapping() {
    unsetenv(name_.c_str());
}
