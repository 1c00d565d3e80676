// Checksum names, CRC parameters and ranges: any text, never a crash. A CRC
// taken by its parameters gives what a slow bit-by-bit register gives, and a
// body with the checksum its frame computes passes that frame's check.
#include <cstdint>
#include <cstdio>
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
        out = (out << 1) | ((value >> bit) & 1);
    }
    return out;
}

// The register fed one message bit at a time, as the parameters describe it.
uint64_t SlowCrc(const CrcParameters& p, const ByteArray& data) {
    uint64_t reg = p.init;
    for (const unsigned char byte : data) {
        const uint64_t bits = p.refin ? Mirrored(byte, 8) : byte;
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = ((reg >> (p.width - 1)) ^ (bits >> bit)) & 1;
            reg = ((reg << 1) & Mask(p.width)) ^ (feedback ? p.poly : 0);
        }
    }
    return (p.refout ? Mirrored(reg, p.width) : reg) ^ p.xorout;
}

// One number of the CRC text, in hex or decimal, taking the input's next 8 bytes.
std::string Number(FuzzInput& in, int width, bool hex) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | in.Byte();
    }
    char text[24];
    std::snprintf(text, sizeof text, hex ? "0X%llx" : "%llu",
                  static_cast<unsigned long long>(value & Mask(width)));
    return text;
}

// A CRC text built from the input: every width, both ways of writing numbers.
std::string BuiltCrcText(FuzzInput& in) {
    const unsigned char shape = in.Byte();
    const int width = shape % 64 + 1;
    const bool hex = shape & 0x40;
    const std::string poly = Number(in, width, hex), init = Number(in, width, !hex);
    const std::string xorout = Number(in, width, hex);
    const char* refout = (in.Byte() & 1) ? "TRUE" : "False";
    return "crc:" + std::to_string(width) + "," + poly + "," + init + "," +
           ((shape & 0x80) ? "True" : "false") + "," + refout + "," + xorout;
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
    Require(algorithm.kind() != ChecksumAlgorithm::Kind::Crc ||
            algorithm.Compute(body) == SlowCrc(algorithm.crc(), body));

    std::optional<ChecksumOrder> order;
    if (mode & 6) {
        order = (mode & 2) ? ChecksumOrder::LowFirst : ChecksumOrder::HighFirst;
    }
    const ChecksumFrame frame(algorithm, order, (mode & 8) != 0, range.value_or(ChecksumRange{}));
    const std::optional<ByteArray> checksum = frame.ChecksumFor(body);
    ByteArray whole = body;
    if (checksum) {
        whole.insert(whole.end(), checksum->begin(), checksum->end());
        Require(frame.Check(whole) == ChecksumCheck::Good);
    } else {
        // A body the range does not fit fails whatever follows it.
        whole.resize(body.size() + frame.wireSize(), 0);
        Require(frame.Check(whole) == ChecksumCheck::Wrong);
    }
    Require(frame.Check(whole.data(), mode % frame.wireSize()) == ChecksumCheck::TooShort);
    return 0;
}
