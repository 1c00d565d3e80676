#include "tools/check/core/AnswerJudge.h"

AnswerJudge::AnswerJudge(const std::string& expected, bool hex) : text_(expected, hex) {}

Verdict AnswerJudge::Feed(unsigned char byte) {
    if (verdict_ == Verdict::Undecided) {
        verdict_ = text_.Feed(byte);
    }
    return verdict_;
}

Verdict AnswerJudge::TimeOut() {
    if (verdict_ == Verdict::Undecided) {
        verdict_ = Verdict::Timeout;
    }
    return verdict_;
}
