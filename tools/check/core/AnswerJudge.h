#pragma once

#include <string>

#include "platform/text/ByteArray.h"
#include "tools/check/core/ExpectedText.h"
#include "tools/check/core/Verdict.h"

// The one place where a unit's verdict is made: PASS or FAIL from the
// received bytes as they come, TIMEOUT when its time runs out first.
class AnswerJudge {
public:
    AnswerJudge(const std::string& expected, bool hex);

    // Takes the next received byte and returns the verdict so far; once the
    // answer is decided, bytes are not taken.
    Verdict Feed(unsigned char byte);

    // The unit's time ran out: TIMEOUT unless it is decided already.
    Verdict TimeOut();

    Verdict verdict() const { return verdict_; }

    // The bytes taken, the deciding one last.
    const ByteArray& received() const { return text_.received(); }

private:
    ExpectedText text_;
    Verdict verdict_ = Verdict::Undecided;
};
