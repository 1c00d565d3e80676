#include "tools/check/core/ChecksumFrame.h"

#include <utility>

#include "platform/text/AsciiCase.h"
#include "send/HexText.h"

namespace {

constexpr long long kFarthestOffset = 1000000000;

const char kRangeForm[] =
    "takes FROM..TO, offsets into the frame without its checksum: from 0, or negative from "
    "its end (-1 is its last byte), TO included; either end may be left out, as in 1.. or ..-2";

// One end of a range: empty, or an optional minus and up to ten digits.
bool ParseEnd(const std::string& text, std::optional<long long>& end) {
    if (text.empty()) {
        end.reset();
        return true;
    }
    const bool negative = text[0] == '-';
    const std::string digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long long value = std::stoll(digits);
    // -0 would be past the body's end.
    if (value > kFarthestOffset || (negative && value == 0)) {
        return false;
    }
    end = negative ? -value : value;
    return true;
}

// The body offset an end stands for; negative ones count from the end.
long long Resolved(long long offset, size_t size) {
    return offset < 0 ? static_cast<long long>(size) + offset : offset;
}

}  // namespace

std::optional<ChecksumOrder> ParseChecksumOrder(const std::string& text, std::string& error) {
    if (ascii::CompareNoCase(text, "le") == 0) {
        return ChecksumOrder::LowFirst;
    }
    if (ascii::CompareNoCase(text, "be") == 0) {
        return ChecksumOrder::HighFirst;
    }
    error = "takes le (low byte first) or be (high byte first)";
    return std::nullopt;
}

ChecksumOrder DefaultChecksumOrder(const ChecksumAlgorithm& algorithm) {
    return algorithm.name() == "CRC-16/MODBUS" ? ChecksumOrder::LowFirst : ChecksumOrder::HighFirst;
}

std::optional<ChecksumRange> ParseChecksumRange(const std::string& text, std::string& error) {
    const size_t dots = text.find("..");
    ChecksumRange range;
    if (dots == std::string::npos || !ParseEnd(text.substr(0, dots), range.from) ||
        !ParseEnd(text.substr(dots + 2), range.to)) {
        error = kRangeForm;
        return std::nullopt;
    }
    // Ends of the same sign are in order whatever the body; mixed ones are
    // known only with the frame.
    if (range.from && range.to && (*range.from < 0) == (*range.to < 0) && *range.from > *range.to) {
        error = "FROM comes after TO; " + std::string(kRangeForm);
        return std::nullopt;
    }
    return range;
}

ChecksumFrame::ChecksumFrame(ChecksumAlgorithm algorithm, std::optional<ChecksumOrder> order,
                             bool ascii, ChecksumRange range)
    : algorithm_(std::move(algorithm)),
      order_(order.value_or(DefaultChecksumOrder(algorithm_))),
      ascii_(ascii),
      range_(range) {}

std::optional<uint64_t> ChecksumFrame::ValueOver(const unsigned char* body, size_t size) const {
    const long long from = Resolved(range_.from.value_or(0), size);
    const long long to = Resolved(range_.to.value_or(-1), size);
    if (from < 0 || to >= static_cast<long long>(size) || from > to) {
        return std::nullopt;
    }
    const unsigned char* const covered = body + from;
    const size_t count = static_cast<size_t>(to - from + 1);
    if (!ascii_ || algorithm_.kind() != ChecksumAlgorithm::Kind::Lrc8) {
        return algorithm_.Compute(covered, count);
    }
    if (count % 2 != 0) {
        return std::nullopt;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < count; i += 2) {
        const unsigned high = HexCharValue(covered[i]);
        const unsigned low = HexCharValue(covered[i + 1]);
        if (high > 15 || low > 15) {
            return std::nullopt;
        }
        sum += high * 16 + low;
    }
    return (0u - sum) & 0xFF;
}

unsigned char ChecksumFrame::WireByte(uint64_t value, size_t n) const {
    const size_t bytes = algorithm_.size();
    const size_t shift = 8 * (order_ == ChecksumOrder::LowFirst ? n : bytes - 1 - n);
    return static_cast<unsigned char>(value >> shift);
}

std::optional<ByteArray> ChecksumFrame::ChecksumFor(const unsigned char* body, size_t size) const {
    const std::optional<uint64_t> value = ValueOver(body, size);
    if (!value) {
        return std::nullopt;
    }
    static const char kDigits[] = "0123456789ABCDEF";
    ByteArray out;
    out.reserve(wireSize());
    for (size_t n = 0; n < algorithm_.size(); ++n) {
        const unsigned char byte = WireByte(*value, n);
        if (ascii_) {
            out.push_back(static_cast<unsigned char>(kDigits[byte >> 4]));
            out.push_back(static_cast<unsigned char>(kDigits[byte & 0xF]));
        } else {
            out.push_back(byte);
        }
    }
    return out;
}

ChecksumCheck ChecksumFrame::Check(const unsigned char* frame, size_t size) const {
    const size_t wire = wireSize();
    if (size < wire) {
        return ChecksumCheck::TooShort;
    }
    const size_t bodySize = size - wire;
    const std::optional<uint64_t> value = ValueOver(frame, bodySize);
    if (!value) {
        return ChecksumCheck::Wrong;
    }
    const unsigned char* const sent = frame + bodySize;
    for (size_t n = 0; n < algorithm_.size(); ++n) {
        const unsigned char byte = WireByte(*value, n);
        const bool same = ascii_ ? HexCharValue(sent[2 * n]) == (byte >> 4u) &&
                                       HexCharValue(sent[2 * n + 1]) == (byte & 0xFu)
                                 : sent[n] == byte;
        if (!same) {
            return ChecksumCheck::Wrong;
        }
    }
    return ChecksumCheck::Good;
}
