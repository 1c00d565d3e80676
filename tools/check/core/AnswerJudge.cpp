#include "tools/check/core/AnswerJudge.h"

#include <algorithm>

#include "tools/check/core/ValueText.h"

namespace {

const MeasureLimits* MeasureOf(const AnswerRule& rule, const std::string& name) {
    for (const MeasureLimits& m : rule.measures) {
        if (m.name == name) {
            return &m;
        }
    }
    return nullptr;
}

// A value's record before it is read: its name, its unit (the measure's over
// the field's) and, when it has a measure, its limits.
RecordedValue Recorded(const std::string& name, const std::string& unit,
                       const MeasureLimits* measure) {
    RecordedValue v;
    v.name = name;
    v.unit = measure && !measure->unit.empty() ? measure->unit : unit;
    if (measure) {
        v.judged = true;
        if (measure->low) {
            v.low = measure->low->value;
        }
        if (measure->high) {
            v.high = measure->high->value;
        }
    }
    return v;
}

}  // namespace

AnswerJudge::AnswerJudge(const AnswerRule& rule) : rule_(rule) {
    if (rule_.kind == ExpectSource::Text) {
        text_.emplace(rule_.expected, rule_.hex);
    }
    if (rule_.kind == ExpectSource::Nothing) {
        verdict_ = Verdict::Pass;  // nothing to wait for
    }
}

bool AnswerJudge::endsWhenIdle() const {
    return rule_.kind == ExpectSource::Pattern && rule_.end.empty() && rule_.idleMs > 0;
}

Verdict AnswerJudge::Feed(unsigned char byte) {
    if (verdict_ != Verdict::Undecided) {
        return verdict_;
    }
    bytes_.push_back(byte);
    const size_t checksumSize = rule_.checksum ? rule_.checksum->wireSize() : 0;
    if (matched_ > 0) {
        if (bytes_.size() == matched_ + checksumSize) {
            Complete(bytes_.size());
        }
        return verdict_;
    }
    const size_t at = bytes_.size() - 1;
    switch (rule_.kind) {
        case ExpectSource::Text:
        case ExpectSource::Entry:
            switch (text_->Feed(byte)) {
                case Verdict::Fail:
                    Decide(Verdict::Fail, "mismatch at byte " + std::to_string(at + 1), bytes_,
                           nullptr);
                    return verdict_;
                case Verdict::Pass:
                    matched_ = bytes_.size();
                    break;
                default:
                    return verdict_;
            }
            break;
        case ExpectSource::Mask:
            if (!rule_.mask->Matches(at, byte)) {
                Decide(Verdict::Fail, "mismatch at byte " + std::to_string(at + 1), bytes_,
                       nullptr);
                return verdict_;
            }
            if (bytes_.size() < rule_.mask->size()) {
                return verdict_;
            }
            matched_ = bytes_.size();
            break;
        case ExpectSource::Pattern:
            if (!rule_.end.empty()) {
                const size_t n = rule_.end.size();
                if (bytes_.size() >= n &&
                    std::equal(rule_.end.begin(), rule_.end.end(), bytes_.end() - n)) {
                    Complete(bytes_.size() - n);
                }
            } else if (rule_.idleMs == 0 && byte == '\n') {
                const bool cr = bytes_.size() >= 2 && bytes_[bytes_.size() - 2] == '\r';
                Complete(bytes_.size() - 1 - (cr ? 1 : 0));
            }
            return verdict_;
        case ExpectSource::Nothing:
            return verdict_;
    }
    if (checksumSize == 0) {
        Complete(bytes_.size());
    }
    return verdict_;
}

Verdict AnswerJudge::Idle() {
    if (verdict_ == Verdict::Undecided && endsWhenIdle() && !bytes_.empty()) {
        Complete(bytes_.size());
    }
    return verdict_;
}

Verdict AnswerJudge::TimeOut() {
    if (verdict_ != Verdict::Undecided) {
        return verdict_;
    }
    std::string why = "no answer";
    if (!bytes_.empty()) {
        why = rule_.kind == ExpectSource::Pattern
                  ? "no end"
                  : "answer cut short after " + std::to_string(bytes_.size()) +
                        (bytes_.size() == 1 ? " byte" : " bytes");
    }
    Decide(Verdict::Timeout, why, bytes_, nullptr);
    return verdict_;
}

void AnswerJudge::Complete(size_t frameSize) {
    ByteArray body(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(frameSize));
    if (rule_.checksum) {
        switch (rule_.checksum->Check(body)) {
            case ChecksumCheck::Good:
                break;
            case ChecksumCheck::Wrong:
                Decide(Verdict::Fail, "checksum", body, nullptr);
                return;
            case ChecksumCheck::TooShort:
                Decide(Verdict::Fail, "checksum: the answer is shorter than its checksum", body,
                       nullptr);
                return;
        }
        body.resize(body.size() - rule_.checksum->wireSize());
    }
    if (!rule_.pattern) {
        Decide(Verdict::Pass, std::string(), body, nullptr);
        return;
    }
    const PatternMatch match = rule_.pattern->Match(body);
    Decide(match.matched ? Verdict::Pass : Verdict::Fail, match.matched ? "" : "no match", body,
           &match);
}

void AnswerJudge::Decide(Verdict verdict, std::string reason, const ByteArray& body,
                         const PatternMatch* match) {
    verdict_ = verdict;
    reason_ = std::move(reason);
    ReadValues(body, match);
}

void AnswerJudge::ReadValues(const ByteArray& body, const PatternMatch* match) {
    std::string firstFailure;
    for (const FieldOption& f : rule_.fields) {
        const MeasureLimits* measure = MeasureOf(rule_, f.field.name);
        RecordedValue v = Recorded(f.field.name, f.unit, measure);
        v.number = DecodeField(f.field, body);
        if (!v.number && firstFailure.empty()) {
            firstFailure = f.field.name + ": the answer is too short for it (" +
                           std::to_string(body.size()) + " bytes)";
        } else if (v.number && measure) {
            const MeasuredValue judged = JudgeNumber(*measure, *v.number);
            if (firstFailure.empty()) {
                firstFailure = judged.reason;
            }
        }
        values_.push_back(std::move(v));
    }
    const bool matched = match && match->matched;
    for (const MeasureLimits& m : rule_.measures) {
        const GroupText* group = matched ? match->Group(m.name) : nullptr;
        if (!group) {
            continue;  // a field's, or no match
        }
        RecordedValue v = Recorded(m.name, std::string(), &m);
        v.text = group->text;
        const MeasuredValue judged = JudgeText(m, group->text);
        v.number = judged.number;
        if (firstFailure.empty()) {
            firstFailure = judged.reason;
        }
        values_.push_back(std::move(v));
    }
    for (const std::string& name : rule_.captures) {
        if (const GroupText* group = matched ? match->Group(name) : nullptr) {
            RecordedValue v = Recorded(name, std::string(), nullptr);
            v.text = group->text;
            values_.push_back(std::move(v));
        }
    }
    if (verdict_ == Verdict::Pass && !firstFailure.empty()) {
        verdict_ = Verdict::Fail;
        reason_ = firstFailure;
    }
}
