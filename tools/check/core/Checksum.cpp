#include "tools/check/core/Checksum.h"

#include <utility>
#include <vector>

#include "platform/text/AsciiCase.h"
#include "send/HexText.h"
#include "tools/check/core/ValueText.h"

namespace {

using Kind = ChecksumAlgorithm::Kind;

struct CatalogueEntry {
    const char* name;
    Kind kind;
    CrcParameters crc;
    std::vector<const char*> aliases;
};

// The catalogue's parameters and aliases for the names taken.
const std::vector<CatalogueEntry>& Catalogue() {
    static const std::vector<CatalogueEntry> entries = {
        {"CRC-16/MODBUS", Kind::Crc, {16, 0x8005, 0xFFFF, true, true, 0}, {"MODBUS"}},
        {"CRC-16/IBM-3740",
         Kind::Crc,
         {16, 0x1021, 0xFFFF, false, false, 0},
         {"CRC-16/AUTOSAR", "CRC-16/CCITT-FALSE"}},
        {"CRC-16/XMODEM",
         Kind::Crc,
         {16, 0x1021, 0, false, false, 0},
         {"CRC-16/ACORN", "CRC-16/LTE", "CRC-16/V-41-MSB", "XMODEM", "ZMODEM"}},
        {"CRC-16/KERMIT",
         Kind::Crc,
         {16, 0x1021, 0, true, true, 0},
         {"CRC-16/BLUETOOTH", "CRC-16/CCITT", "CRC-16/CCITT-TRUE", "CRC-16/V-41-LSB", "CRC-CCITT",
          "KERMIT"}},
        {"CRC-16/ARC",
         Kind::Crc,
         {16, 0x8005, 0, true, true, 0},
         {"ARC", "CRC-16", "CRC-16/LHA", "CRC-IBM"}},
        {"CRC-8/SMBUS", Kind::Crc, {8, 0x07, 0, false, false, 0}, {"CRC-8"}},
        {"CRC-8/MAXIM-DOW", Kind::Crc, {8, 0x31, 0, true, true, 0}, {"CRC-8/MAXIM", "DOW-CRC"}},
        {"CRC-32/ISO-HDLC",
         Kind::Crc,
         {32, 0x04C11DB7, 0xFFFFFFFF, true, true, 0xFFFFFFFF},
         {"CRC-32", "CRC-32/ADCCP", "CRC-32/V-42", "CRC-32/XZ", "PKZIP"}},
        {"SUM-8", Kind::Sum8, {}, {}},
        {"XOR-8", Kind::Xor8, {}, {}},
        {"LRC-8", Kind::Lrc8, {}, {}},
    };
    return entries;
}

const char kGenericForm[] = "CRC:width,poly,init,refin,refout,xorout";

uint64_t WidthMask(int width) {
    return width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

uint64_t Reflect(uint64_t value, int width) {
    uint64_t out = 0;
    for (int bit = 0; bit < width; ++bit) {
        out = (out << 1) | ((value >> bit) & 1);
    }
    return out;
}

bool SameNoCase(const std::string& a, const char* b) {
    return ascii::CompareNoCase(a, b) == 0;
}

// 0x-hex or decimal digits, whatever their count, that fit 64 bits.
std::optional<uint64_t> ParseNumber(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const unsigned base = hex ? 16 : 10;
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const unsigned digit = HexCharValue(text[i]);
        if (digit >= base) {
            return std::nullopt;
        }
        if (value > (~uint64_t{0} - digit) / base) {
            return std::nullopt;
        }
        value = value * base + digit;
    }
    return value;
}

std::string Hex(uint64_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + digits;
}

ChecksumLookup Refused(std::string why) {
    ChecksumLookup lookup;
    lookup.error = std::move(why);
    return lookup;
}

// CRC:width,poly,init,refin,refout,xorout; `text` starts with "CRC:".
ChecksumLookup ParseGenericCrc(const std::string& text) {
    std::vector<std::string> fields;
    size_t from = 4;
    for (;;) {
        const size_t comma = text.find(',', from);
        fields.push_back(TrimBlanks(text.substr(from, comma - from)));
        if (comma == std::string::npos) {
            break;
        }
        from = comma + 1;
    }
    if (fields.size() != 6) {
        return Refused("a CRC by its parameters takes six fields, " + std::string(kGenericForm) +
                       ", as in CRC:16,0x8005,0xFFFF,true,true,0");
    }
    CrcParameters crc;
    const std::optional<uint64_t> width = ParseNumber(fields[0]);
    if (fields[0].find_first_not_of("0123456789") != std::string::npos || !width || *width < 1 ||
        *width > 64) {
        return Refused("width is a whole number of bits from 1 to 64, not '" + fields[0] + "'");
    }
    crc.width = static_cast<int>(*width);
    const uint64_t most = WidthMask(crc.width);
    const std::string fits = "0x-hex or decimal that fits " + std::to_string(crc.width) +
                             (crc.width == 1 ? " bit" : " bits") + " (at most " + Hex(most) + ")";
    struct Value {
        const char* name;
        const std::string& text;
        uint64_t* out;
    };
    for (const Value& v : {Value{"poly", fields[1], &crc.poly}, Value{"init", fields[2], &crc.init},
                           Value{"xorout", fields[5], &crc.xorout}}) {
        const std::optional<uint64_t> value = ParseNumber(v.text);
        if (!value || *value > most) {
            return Refused(std::string(v.name) + " is " + fits + ", not '" + v.text + "'");
        }
        *v.out = *value;
    }
    // A zero polynomial would check nothing: every frame gets the same value.
    if (crc.poly == 0) {
        return Refused("poly must not be 0: it would give every frame the same checksum");
    }
    struct Flag {
        const char* name;
        const std::string& text;
        bool* out;
    };
    for (const Flag& f :
         {Flag{"refin", fields[3], &crc.refin}, Flag{"refout", fields[4], &crc.refout}}) {
        if (SameNoCase(f.text, "true")) {
            *f.out = true;
        } else if (SameNoCase(f.text, "false")) {
            *f.out = false;
        } else {
            return Refused(std::string(f.name) + " is true or false, not '" + f.text + "'");
        }
    }
    ChecksumLookup lookup;
    lookup.algorithm = ChecksumAlgorithm::Crc(text, crc);
    return lookup;
}

}  // namespace

ChecksumAlgorithm ChecksumAlgorithm::Crc(std::string name, const CrcParameters& parameters) {
    ChecksumAlgorithm algorithm(std::move(name), Kind::Crc);
    algorithm.crc_ = parameters;
    const int width = parameters.width;
    auto table = std::make_shared<Table>();
    if (parameters.refin) {
        const uint64_t poly = Reflect(parameters.poly, width);
        for (uint64_t i = 0; i < 256; ++i) {
            uint64_t reg = i;
            for (int bit = 0; bit < 8; ++bit) {
                reg = (reg & 1) ? (reg >> 1) ^ poly : reg >> 1;
            }
            (*table)[i] = reg;
        }
        algorithm.start_ = Reflect(parameters.init, width);
    } else {
        const uint64_t poly = parameters.poly << (64 - width);
        for (uint64_t i = 0; i < 256; ++i) {
            uint64_t reg = i << 56;
            for (int bit = 0; bit < 8; ++bit) {
                reg = (reg >> 63) ? (reg << 1) ^ poly : reg << 1;
            }
            (*table)[i] = reg;
        }
        algorithm.start_ = parameters.init << (64 - width);
    }
    algorithm.table_ = std::move(table);
    return algorithm;
}

ChecksumAlgorithm ChecksumAlgorithm::ByteSum(std::string name, Kind kind) {
    return ChecksumAlgorithm(std::move(name), kind);
}

uint64_t ChecksumAlgorithm::Compute(const unsigned char* data, size_t size) const {
    const unsigned char* const end = data + size;
    switch (kind_) {
        case Kind::Sum8:
        case Kind::Lrc8: {
            unsigned sum = 0;
            for (const unsigned char* p = data; p != end; ++p) {
                sum += *p;
            }
            return (kind_ == Kind::Sum8 ? sum : 0u - sum) & 0xFF;
        }
        case Kind::Xor8: {
            unsigned char all = 0;
            for (const unsigned char* p = data; p != end; ++p) {
                all ^= *p;
            }
            return all;
        }
        case Kind::Crc:
            break;
    }
    const Table& table = *table_;
    const int width = crc_.width;
    uint64_t reg = start_;
    uint64_t value;
    if (crc_.refin) {
        for (const unsigned char* p = data; p != end; ++p) {
            reg = table[(reg ^ *p) & 0xFF] ^ (reg >> 8);
        }
        value = crc_.refout ? reg : Reflect(reg, width);
    } else {
        for (const unsigned char* p = data; p != end; ++p) {
            reg = table[(reg >> 56) ^ *p] ^ (reg << 8);
        }
        value = reg >> (64 - width);
        if (crc_.refout) {
            value = Reflect(value, width);
        }
    }
    return (value ^ crc_.xorout) & WidthMask(width);
}

ChecksumLookup FindChecksum(const std::string& text) {
    if (text.size() >= 4 && SameNoCase(text.substr(0, 4), "CRC:")) {
        return ParseGenericCrc(text);
    }
    for (const CatalogueEntry& entry : Catalogue()) {
        bool named = SameNoCase(text, entry.name);
        for (const char* alias : entry.aliases) {
            named = named || SameNoCase(text, alias);
        }
        if (!named) {
            continue;
        }
        ChecksumLookup lookup;
        lookup.algorithm = entry.kind == Kind::Crc
                               ? ChecksumAlgorithm::Crc(entry.name, entry.crc)
                               : ChecksumAlgorithm::ByteSum(entry.name, entry.kind);
        return lookup;
    }
    return Refused("not a checksum name; the names are " + ChecksumNamesText() +
                   " (the catalogue's aliases, such as CRC-16/CCITT-FALSE or CRC-32, too)");
}

std::string ChecksumNamesText() {
    std::string text;
    for (const CatalogueEntry& entry : Catalogue()) {
        text += entry.name;
        text += ", ";
    }
    return text + "or " + kGenericForm;
}
