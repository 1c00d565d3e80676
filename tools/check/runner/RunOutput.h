#pragma once

#include <string>

#include "platform/files/RecordFile.h"

// Standard output as the check program writes its unit lines and summary:
// each text in whole records (RecordFile), so that a failure is seen at once
// rather than lost in a stream's buffer. A reader that went away (EPIPE:
// `| head -1`) and any other failure (a full disk, a closed descriptor) are
// told apart: the first ends a run quietly, the second is an error.
class RunOutput {
public:
    enum class State { Open, ReaderGone, Failed };

    explicit RunOutput(int fd);

    // Writes all of `text` unless the output failed before or fails now.
    State Write(const std::string& text);

    State state() const { return state_; }
    // The failure in one line ("cannot write to standard output: ...").
    std::string failure() const;

private:
    RecordFile file_;
    State state_ = State::Open;
    int error_ = 0;
};
