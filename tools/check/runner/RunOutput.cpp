#include "tools/check/runner/RunOutput.h"

#include <cerrno>
#include <cstring>

RunOutput::RunOutput(int fd) {
    if ((error_ = file_.Adopt(fd)) != 0) {
        state_ = State::Failed;
    }
}

RunOutput::State RunOutput::Write(const std::string& text) {
    if (state_ == State::Open && (error_ = file_.Append(text)) != 0) {
        state_ = error_ == EPIPE ? State::ReaderGone : State::Failed;
    }
    return state_;
}

std::string RunOutput::failure() const {
    if (error_ == ETIMEDOUT) {
        return "standard output took nothing for " + std::to_string(RecordFile::kStallMs / 1000) +
               " s";
    }
    return std::string("cannot write to standard output: ") + std::strerror(error_);
}
