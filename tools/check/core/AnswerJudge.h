#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text/ByteArray.h"
#include "tools/check/core/ExpectedText.h"
#include "tools/check/core/StepRules.h"
#include "tools/check/core/UnitResult.h"
#include "tools/check/core/Verdict.h"

// The one place where an answer's verdict and its reason are made, TIMEOUT
// included, and the values read from it. Bytes are taken one at a time as
// they arrive:
//
//   - the window's comparison (--expect): FAIL at the first byte after which
//     the answer can no longer become equal, else complete when equal;
//   - a mask: FAIL at the first byte that cannot match, else complete at its
//     last byte;
//   - a pattern: complete at its end (the end text, a line end, or a quiet
//     line: Idle), then matched as a whole;
//   - nothing expected: PASS at once.
//
// A complete answer then takes the checksum's bytes when there is one, and
// is judged in this order: the checksum (reason "checksum"), the pattern
// ("no match"), then the measured values ("vbat 4.31 above 4.2"); PASS when
// all hold. Values are read whatever the verdict, from what arrived.
class AnswerJudge {
public:
    // `rule` must outlive the judge.
    explicit AnswerJudge(const AnswerRule& rule);

    Verdict Feed(unsigned char byte);

    // The line has been quiet for the rule's idle time since the last byte:
    // a pattern that ends that way is complete.
    Verdict Idle();

    // The time ran out: TIMEOUT, with why, unless the answer is decided.
    Verdict TimeOut();

    Verdict verdict() const { return verdict_; }
    // Empty for PASS: "mismatch at byte 3", "checksum", "no match", "no end",
    // "no answer", a measured value's reason.
    const std::string& reason() const { return reason_; }
    // The bytes taken, the deciding one last.
    const ByteArray& received() const { return bytes_; }
    const std::vector<RecordedValue>& values() const { return values_; }

    // Whether Idle ends the answer: a pattern with neither an end text.
    bool endsWhenIdle() const;

private:
    void Complete(size_t frameSize);
    void Decide(Verdict verdict, std::string reason, const ByteArray& body,
                const PatternMatch* match);
    void ReadValues(const ByteArray& body, const PatternMatch* match);

    const AnswerRule& rule_;
    std::optional<ExpectedText> text_;
    ByteArray bytes_;
    size_t matched_ = 0;  // Text, Mask: the answer's length before its checksum
    Verdict verdict_ = Verdict::Undecided;
    std::string reason_;
    std::vector<RecordedValue> values_;
};
