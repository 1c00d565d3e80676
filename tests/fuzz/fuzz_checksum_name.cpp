// Checksum names, CRC parameters and ranges: any text, never a crash. A CRC
// taken by its parameters gives what a slow bit-by-bit register gives, and a
// body with the checksum its frame computes passes that frame's check.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "FuzzInput.h"
#include "tools/check/core/Checksum.h"
#include "tools/check/core/ChecksumFrame.h"

namespace {

uint64_t Mask(int width) {
    return width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

uint64_t Mirrored(uint64_t value, int width) {
    uint64_t out = 0;
    for (int bit = 0; bit < width; ++bit) {
        if (value & (uint64_t{1} << bit)) {
            out |= uint64_t{1} << (width - 1 - bit);
        }
    }
    return out;
}

// The register fed one message bit at a time, as the parameters describe it.
uint64_t SlowCrc(const CrcParameters& p, const ByteArray& data) {
    uint64_t reg = p.init;
    for (const unsigned char byte : data) {
        const uint64_t bits = p.refin ? Mirrored(byte, 8) : byte;
        for (int bit = 7; bit >= 0; --bit) {
            const uint64_t in = (bits >> bit) & 1;
            const uint64_t top = (reg >> (p.width - 1)) & 1;
            reg = (reg << 1) & Mask(p.width);
            if (top ^ in) {
                reg ^= p.poly;
            }
        }
    }
    if (p.refout) {
        reg = Mirrored(reg, p.width);
    }
    return reg ^ p.xorout;
}

uint64_t Number(FuzzInput& in) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | in.Byte();
    }
    return value;
}

std::string Written(uint64_t value, bool hex) {
    char text[24];
    std::snprintf(text, sizeof text, hex ? "0X%llx" : "%llu",
                  static_cast<unsigned long long>(value));
    return text;
}

// A CRC text built from the input: every width, both ways of writing numbers.
std::string BuiltCrcText(FuzzInput& in) {
    const unsigned char shape = in.Byte();
    const int width = shape % 64 + 1;
    const uint64_t poly = Number(in) & Mask(width);
    const uint64_t init = Number(in) & Mask(width);
    const uint64_t xorout = Number(in) & Mask(width);
    const bool hex = shape & 0x40;
    return "crc:" + std::to_string(width) + "," + Written(poly, hex) + "," + Written(init, !hex) +
           "," + ((shape & 0x80) ? "True" : "false") + "," + ((in.Byte() & 1) ? "TRUE" : "False") +
           "," + Written(xorout, hex);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const unsigned char mode = in.Byte();
    const std::string text = (mode & 1) ? BuiltCrcText(in) : in.Text(in.Byte() % 96);
    const std::string rangeText = in.Text(in.Byte() % 24);
    const std::string rest = in.Text(size);
    const ByteArray body(rest.begin(), rest.end());

    const ChecksumLookup lookup = FindChecksum(text);
    Require(lookup.algorithm.has_value() == lookup.error.empty());
    // A built CRC text is refused only for a zero poly.
    Require(!(mode & 1) || lookup.algorithm || lookup.error.rfind("poly must not be 0", 0) == 0);
    std::string error;
    const std::optional<ChecksumRange> range = ParseChecksumRange(rangeText, error);
    Require(range.has_value() == error.empty());
    if (!lookup.algorithm) {
        return 0;
    }
    const ChecksumAlgorithm& algorithm = *lookup.algorithm;
    if (algorithm.kind() == ChecksumAlgorithm::Kind::Crc) {
        const CrcParameters& p = algorithm.crc();
        Require(p.width >= 1 && p.width <= 64 && p.poly != 0 && p.poly <= Mask(p.width) &&
                p.init <= Mask(p.width) && p.xorout <= Mask(p.width));
        Require(algorithm.Compute(body) == SlowCrc(p, body));
    }

    const std::optional<ChecksumOrder> order =
        (mode & 6) == 0 ? std::nullopt
                        : std::optional<ChecksumOrder>((mode & 2) ? ChecksumOrder::LowFirst
                                                                  : ChecksumOrder::HighFirst);
    const ChecksumFrame frame(algorithm, order, (mode & 8) != 0, range.value_or(ChecksumRange{}));
    const std::optional<ByteArray> checksum = frame.ChecksumFor(body);
    ByteArray whole = body;
    if (checksum) {
        Require(checksum->size() == frame.wireSize());
        whole.insert(whole.end(), checksum->begin(), checksum->end());
        Require(frame.Check(whole) == ChecksumCheck::Good);
    } else {
        // A body the range does not fit fails whatever follows it.
        whole.resize(body.size() + frame.wireSize(), 0);
        Require(frame.Check(whole) == ChecksumCheck::Wrong);
    }
    const size_t shortBy = 1 + mode % frame.wireSize();
    Require(frame.Check(whole.data(), frame.wireSize() - shortBy) == ChecksumCheck::TooShort);
    return 0;
}
