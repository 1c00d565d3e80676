#include "tools/check/runner/RunOutput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A non-blocking output that takes nothing for this long has failed.
constexpr int kStallMs = 5000;

}  // namespace

RunOutput::State RunOutput::Write(const std::string& text) {
    size_t done = 0;
    while (state_ == State::Open && done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n >= 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, kStallMs) > 0) {
                continue;
            }
            errno = ETIMEDOUT;
        }
        error_ = errno;
        state_ = error_ == EPIPE ? State::ReaderGone : State::Failed;
    }
    return state_;
}

std::string RunOutput::failure() const {
    return std::string("cannot write to standard output: ") + std::strerror(error_);
}
