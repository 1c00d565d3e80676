#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/text/ByteArray.h"
#include "tools/check/core/Checksum.h"

// Where a checksum sits in a frame and how it is written. The checksum is
// always the frame's last bytes; what comes before it is the body. It covers
// the whole body, or the range of it that --checksum-range gives.

enum class ChecksumOrder {
    HighFirst,  // "be": as the catalogue writes the value
    LowFirst,   // "le": as Modbus RTU sends its CRC
};

// "le" or "be"; the error (when none) follows "--checksum-order TEXT: ".
std::optional<ChecksumOrder> ParseChecksumOrder(const std::string& text, std::string& error);

// CRC-16/MODBUS low byte first, every other algorithm high byte first.
ChecksumOrder DefaultChecksumOrder(const ChecksumAlgorithm& algorithm);

// Bytes FROM to TO of the body, TO included. Offsets count from 0; negative
// ones from the end (-1 is the body's last byte). A missing end is the body's
// first or last byte.
struct ChecksumRange {
    std::optional<long long> from;
    std::optional<long long> to;
};

// "FROM..TO", either end left out ("1..", "..-2", ".."); the error (when
// none) follows "--checksum-range TEXT: ". Offsets lie within a billion.
std::optional<ChecksumRange> ParseChecksumRange(const std::string& text, std::string& error);

enum class ChecksumCheck {
    Good,
    Wrong,     // including a range that does not lie in the body
    TooShort,  // fewer bytes than the checksum takes
};

class ChecksumFrame {
public:
    // No order: the algorithm's default. Ascii: the checksum is written as
    // upper-case hex digits, two per byte, in the same byte order; with LRC-8
    // it is Modbus ASCII's, taken over the values of the covered hex digit
    // pairs (a covered part that is not hex pairs has no checksum).
    explicit ChecksumFrame(ChecksumAlgorithm algorithm,
                           std::optional<ChecksumOrder> order = std::nullopt, bool ascii = false,
                           ChecksumRange range = {});

    const ChecksumAlgorithm& algorithm() const { return algorithm_; }
    ChecksumOrder order() const { return order_; }
    bool ascii() const { return ascii_; }
    const ChecksumRange& range() const { return range_; }

    // The bytes the checksum takes at the frame's end.
    size_t wireSize() const { return ascii_ ? 2 * algorithm_.size() : algorithm_.size(); }

    // The checksum to append to a body; none when the range does not select
    // at least one byte inside the body, or (LRC-8 ascii) the covered part is
    // not hex digit pairs.
    std::optional<ByteArray> ChecksumFor(const unsigned char* body, size_t size) const;
    std::optional<ByteArray> ChecksumFor(const ByteArray& body) const {
        return ChecksumFor(body.data(), body.size());
    }

    // Whether a whole received frame ends with the checksum of its body. Hex
    // digits of an ascii checksum are taken in either case.
    ChecksumCheck Check(const unsigned char* frame, size_t size) const;
    ChecksumCheck Check(const ByteArray& frame) const { return Check(frame.data(), frame.size()); }

private:
    std::optional<uint64_t> ValueOver(const unsigned char* body, size_t size) const;
    // The checksum's n-th byte on the wire.
    unsigned char WireByte(uint64_t value, size_t n) const;

    ChecksumAlgorithm algorithm_;
    ChecksumOrder order_;
    bool ascii_;
    ChecksumRange range_;
};
