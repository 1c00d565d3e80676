#include "tools/device/SimulatedDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How long to wait before looking again whether a program opened the port.
constexpr auto kIdleRecheck = std::chrono::milliseconds(100);

// The pause between the pieces of a split frame: long enough for the port's
// user to read each piece on its own.
constexpr int kPiecePauseMs = 5;

timespec ToTimespec(Clock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

SimulatedDevice::SimulatedDevice(const DeviceOptions& options) : options_(options) {
    for (const auto& [request, reply] : options_.answers) {
        matchers_.emplace_back(request);
    }
}

SimulatedDevice::~SimulatedDevice() {
    if (master_ >= 0) {
        ::close(master_);
    }
}

bool SimulatedDevice::Open(std::string* error) {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    // Bytes pass unchanged, as on a serial line, until the port's user sets
    // its own mode.
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    // Closed, so that the device can tell whether a program has the port open:
    // without one, the master end reports a hang-up.
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    portPath_ = name;
    return true;
}

bool SimulatedDevice::Run(const volatile std::sig_atomic_t& stop, std::string* error) {
    ::sigprocmask(SIG_SETMASK, nullptr, &waitMask_);
    ::sigdelset(&waitMask_, SIGINT);
    ::sigdelset(&waitMask_, SIGTERM);

    const bool sending = options_.mode == DeviceMode::Send;
    const auto period = std::chrono::milliseconds(options_.periodMs);
    Clock::time_point nextSend = Clock::now() + period;

    while (!stop) {
        pollfd p{master_, POLLIN, 0};
        // Not connected: only look whether a program has opened the port.
        // Sending: until the next frame is due. Else: until something happens.
        timespec timeout{};
        const timespec* wait = &timeout;
        if (connected_ && sending) {
            timeout = ToTimespec(std::max(Clock::duration::zero(), nextSend - Clock::now()));
        } else if (connected_) {
            wait = nullptr;
        }
        const int ready = ::ppoll(&p, 1, wait, &waitMask_);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = std::string("waiting for the port failed: ") + std::strerror(errno);
            return false;
        }

        bool hungUp = (p.revents & (POLLHUP | POLLERR)) != 0;
        if (p.revents & POLLIN) {
            unsigned char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                NoteConnected(true);
                Received(buffer, static_cast<size_t>(n));
                hungUp = false;
            } else if (n < 0 && errno == EIO) {
                hungUp = true;
            }
        }
        if (hungUp) {
            // Nobody has the port open: look again in a while.
            NoteConnected(false);
            const timespec idle = ToTimespec(kIdleRecheck);
            ::ppoll(nullptr, 0, &idle, &waitMask_);
            continue;
        }
        if (!connected_) {
            // The port was opened: the first frame goes one period later.
            NoteConnected(true);
            nextSend = Clock::now() + period;
            continue;
        }
        if (sending && Clock::now() >= nextSend) {
            Transmit(options_.frame);
            nextSend += period;
            if (nextSend < Clock::now()) {
                nextSend = Clock::now() + period;  // fell behind: no burst to catch up
            }
        }
    }
    return true;
}

void SimulatedDevice::Received(const unsigned char* bytes, size_t count) {
    const Frame received(bytes, bytes + count);
    Log("received", received);
    switch (options_.mode) {
        case DeviceMode::Echo:
            Answer(received);
            break;
        case DeviceMode::Answer:
            for (unsigned char b : received) {
                // Every request is watched; the first one completed is answered.
                bool answered = false;
                for (size_t i = 0; i < matchers_.size(); ++i) {
                    if (matchers_[i].Feed(b) && !answered) {
                        Answer(options_.answers[i].second);
                        answered = true;
                    }
                }
            }
            break;
        case DeviceMode::Send:
            break;
    }
}

void SimulatedDevice::Answer(const Frame& bytes) {
    if (options_.delayMs == 0 || Pause(options_.delayMs)) {
        Transmit(bytes);
    }
}

void SimulatedDevice::Transmit(const Frame& bytes) {
    const size_t piece = options_.splitBytes > 0 ? size_t(options_.splitBytes) : bytes.size();
    for (size_t at = 0; at < bytes.size(); at += piece) {
        if (at > 0 && !Pause(kPiecePauseMs)) {
            return;
        }
        const auto from = bytes.begin() + static_cast<long>(at);
        WriteOut(Frame(from, from + static_cast<long>(std::min(piece, bytes.size() - at))));
    }
}

bool SimulatedDevice::Pause(int ms) {
    const timespec wait = ToTimespec(std::chrono::milliseconds(ms));
    // Interrupted only by a stop signal (all others stay blocked as they were).
    return ::ppoll(nullptr, 0, &wait, &waitMask_) == 0;
}

void SimulatedDevice::WriteOut(const Frame& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // The port's input is full (nobody reads it) or gone: a real line
            // would lose these bytes too.
            break;
        }
    }
    Log("sent", Frame(bytes.begin(), bytes.begin() + static_cast<long>(done)));
    if (done < bytes.size() && options_.verbose) {
        std::fprintf(stderr, "dropped %zu bytes: the port does not take them\n",
                     bytes.size() - done);
    }
}

void SimulatedDevice::Log(const char* direction, const Frame& bytes) const {
    if (options_.verbose && !bytes.empty()) {
        std::fprintf(stderr, "%-8s %s\n", direction, FormatHexFrame(bytes).c_str());
    }
}

void SimulatedDevice::NoteConnected(bool connected) {
    if (connected != connected_ && options_.verbose) {
        std::fprintf(stderr, connected ? "the port was opened\n" : "the port is closed\n");
    }
    connected_ = connected;
}
