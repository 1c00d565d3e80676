#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/text/ByteArray.h"

// Checksum algorithms by the names of the CRC catalogue people cite, plus the
// byte sums serial protocols use, plus any CRC given by its parameters. Where
// a checksum sits in a frame and how it is written is ChecksumFrame's concern.

// A CRC as the catalogue writes it: poly without its top bit, init as the
// register starts before any reflection, xorout applied last.
struct CrcParameters {
    int width = 0;  // 1 to 64 bits
    uint64_t poly = 0;
    uint64_t init = 0;
    bool refin = false;
    bool refout = false;
    uint64_t xorout = 0;
};

class ChecksumAlgorithm {
public:
    enum class Kind {
        Crc,
        Sum8,  // the sum of the bytes, modulo 256
        Xor8,  // the bytes xor-ed together
        Lrc8,  // Modbus ASCII's: minus the sum of the bytes, modulo 256
    };

    static ChecksumAlgorithm Crc(std::string name, const CrcParameters& parameters);
    static ChecksumAlgorithm ByteSum(std::string name, Kind kind);  // Sum8, Xor8 or Lrc8

    // The catalogue's name (an alias gives its entry's name), or a generic
    // CRC's text as given.
    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    const CrcParameters& crc() const { return crc_; }  // Crc only
    int width() const { return kind_ == Kind::Crc ? crc_.width : 8; }
    // The bytes the value takes: width rounded up to whole bytes.
    size_t size() const { return (static_cast<size_t>(width()) + 7) / 8; }

    // The checksum of the bytes, in the low width() bits.
    uint64_t Compute(const unsigned char* data, size_t size) const;
    uint64_t Compute(const ByteArray& bytes) const { return Compute(bytes.data(), bytes.size()); }

private:
    using Table = std::array<uint64_t, 256>;

    ChecksumAlgorithm(std::string name, Kind kind) : name_(std::move(name)), kind_(kind) {}

    std::string name_;
    Kind kind_;
    CrcParameters crc_;
    // The CRC's effect of one byte on the register, shared between copies.
    // Reflected CRCs keep the register reflected in its low bits, the others
    // keep it in the top bits of 64, so one loop serves every width.
    std::shared_ptr<const Table> table_;
    uint64_t start_ = 0;  // the register before the first byte
};

struct ChecksumLookup {
    std::optional<ChecksumAlgorithm> algorithm;
    std::string error;  // when none: why, one line, to follow "--checksum TEXT: "
};

// A catalogue name or alias, SUM-8, XOR-8 or LRC-8, all without regard to
// case, or CRC:width,poly,init,refin,refout,xorout (poly, init and xorout as
// 0x-hex or decimal, each fitting the width; refin and refout true or false).
ChecksumLookup FindChecksum(const std::string& text);

// The names taken, on one line, for --help and for the error of a wrong name.
std::string ChecksumNamesText();
