// Checksums: the catalogue's check values and CRCs by their parameters.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "send/HexText.h"
#include "tools/check/core/Checksum.h"

namespace {

const std::string kCheckText = "123456789";

ByteArray Bytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

ByteArray Hex(const std::string& pairs) {
    ByteArray bytes;
    HexTextToBytes(pairs, bytes);
    return bytes;
}

ChecksumAlgorithm Algorithm(const std::string& name) {
    const ChecksumLookup lookup = FindChecksum(name);
    EXPECT_TRUE(lookup.algorithm) << name << ": " << lookup.error;
    return lookup.algorithm ? *lookup.algorithm : *FindChecksum("SUM-8").algorithm;
}

struct CheckValue {
    const char* given;
    const char* name;  // as the algorithm reports it
    uint64_t check;    // over "123456789"
    size_t size;
};

TEST(Checksum, CatalogueCheckValues) {
    const CheckValue cases[] = {
        {"CRC-16/MODBUS", "CRC-16/MODBUS", 0x4B37, 2},
        {"CRC-16/IBM-3740", "CRC-16/IBM-3740", 0x29B1, 2},
        {"CRC-16/XMODEM", "CRC-16/XMODEM", 0x31C3, 2},
        {"CRC-16/KERMIT", "CRC-16/KERMIT", 0x2189, 2},
        {"CRC-16/ARC", "CRC-16/ARC", 0xBB3D, 2},
        {"CRC-8/SMBUS", "CRC-8/SMBUS", 0xF4, 1},
        {"CRC-8/MAXIM-DOW", "CRC-8/MAXIM-DOW", 0xA1, 1},
        {"CRC-32/ISO-HDLC", "CRC-32/ISO-HDLC", 0xCBF43926, 4},
        {"SUM-8", "SUM-8", 0xDD, 1},
        {"XOR-8", "XOR-8", 0x31, 1},
        {"LRC-8", "LRC-8", 0x23, 1},
        // Aliases, and names in any case.
        {"CRC-16/CCITT-FALSE", "CRC-16/IBM-3740", 0x29B1, 2},
        {"crc-16/autosar", "CRC-16/IBM-3740", 0x29B1, 2},
        {"CRC-16/CCITT", "CRC-16/KERMIT", 0x2189, 2},
        {"Modbus", "CRC-16/MODBUS", 0x4B37, 2},
        {"CRC-16", "CRC-16/ARC", 0xBB3D, 2},
        {"ZMODEM", "CRC-16/XMODEM", 0x31C3, 2},
        {"CRC-8", "CRC-8/SMBUS", 0xF4, 1},
        {"dow-crc", "CRC-8/MAXIM-DOW", 0xA1, 1},
        {"crc-32", "CRC-32/ISO-HDLC", 0xCBF43926, 4},
        {"sum-8", "SUM-8", 0xDD, 1},
    };
    for (const CheckValue& c : cases) {
        SCOPED_TRACE(c.given);
        const ChecksumAlgorithm algorithm = Algorithm(c.given);
        EXPECT_EQ(algorithm.name(), c.name);
        EXPECT_EQ(algorithm.Compute(Bytes(kCheckText)), c.check);
        EXPECT_EQ(algorithm.size(), c.size);
    }
}

TEST(Checksum, GenericCrcMatchesTheCataloguesCheckValues) {
    const CheckValue cases[] = {
        {"CRC:16,0x8005,0xFFFF,true,true,0", "", 0x4B37, 2},
        {"crc:32,0x04c11db7,0xFFFFFFFF,TRUE,True,4294967295", "", 0xCBF43926, 4},
        {"CRC: 16 , 4129 , 65535 , false , false , 0 ", "", 0x29B1, 2},
        {"CRC:8,0x31,0,true,true,0", "", 0xA1, 1},
        // Widths that are not whole bytes, refin unlike refout, and 64 bits.
        {"CRC:3,0x3,0,false,false,0x7", "", 0x4, 1},
        {"CRC:4,0x3,0,true,true,0", "", 0x7, 1},
        {"CRC:5,0x05,0x1f,true,true,0x1f", "", 0x19, 1},
        {"CRC:12,0x80F,0,false,true,0", "", 0xDAF, 2},
        {"CRC:15,0x4599,0,false,false,0", "", 0x059E, 2},
        {"CRC:64,0x42F0E1EBA9EA3693,0xFFFFFFFFFFFFFFFF,true,true,0xFFFFFFFFFFFFFFFF", "",
         0x995DC9BBDF1939FA, 8},
        {"CRC:64,0x42F0E1EBA9EA3693,0xFFFFFFFFFFFFFFFF,false,false,18446744073709551615", "",
         0x62EC59E3F1A4F00A, 8},
    };
    for (const CheckValue& c : cases) {
        SCOPED_TRACE(c.given);
        const ChecksumAlgorithm algorithm = Algorithm(c.given);
        EXPECT_EQ(algorithm.name(), c.given);
        EXPECT_EQ(algorithm.Compute(Bytes(kCheckText)), c.check);
        EXPECT_EQ(algorithm.size(), c.size);
    }
}

TEST(Checksum, SumsWrapAndNothingHasAValue) {
    EXPECT_EQ(Algorithm("SUM-8").Compute(Hex("FF 02")), 0x01u);
    EXPECT_EQ(Algorithm("LRC-8").Compute(Hex("01 03 00 00 00 01")), 0xFBu);
    EXPECT_EQ(Algorithm("LRC-8").Compute(Hex("80 80")), 0x00u);
    EXPECT_EQ(Algorithm("CRC-16/MODBUS").Compute(ByteArray()), 0xFFFFu);
    EXPECT_EQ(Algorithm("CRC-32").Compute(ByteArray()), 0x0u);
}

TEST(Checksum, RefusesWithTheFieldAndWhatItTakes) {
    const std::string names =
        "CRC-16/MODBUS, CRC-16/IBM-3740, CRC-16/XMODEM, CRC-16/KERMIT, CRC-16/ARC, CRC-8/SMBUS, "
        "CRC-8/MAXIM-DOW, CRC-32/ISO-HDLC, SUM-8, XOR-8, LRC-8, or "
        "CRC:width,poly,init,refin,refout,xorout";
    EXPECT_EQ(ChecksumNamesText(), names);
    const std::string unknown = "not a checksum name; the names are " + names +
                                " (the catalogue's aliases, such as CRC-16/CCITT-FALSE or "
                                "CRC-32, too)";
    const std::string sixFields =
        "a CRC by its parameters takes six fields, CRC:width,poly,init,refin,refout,xorout, as "
        "in CRC:16,0x8005,0xFFFF,true,true,0";
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {"CRC-16/FOO", unknown},
        {"", unknown},
        {" CRC-16/MODBUS", unknown},
        {"CRC", unknown},
        {"CRC:", sixFields},
        {"CRC:16,0x8005,0xFFFF,true,true", sixFields},
        {"CRC:16,0x8005,0xFFFF,true,true,0,0", sixFields},
        {"CRC:0,1,0,false,false,0", "width is a whole number of bits from 1 to 64, not '0'"},
        {"CRC:65,1,0,false,false,0", "width is a whole number of bits from 1 to 64, not '65'"},
        {"CRC:0x10,1,0,false,false,0", "width is a whole number of bits from 1 to 64, not '0x10'"},
        {"CRC:16,0x18005,0,false,false,0",
         "poly is 0x-hex or decimal that fits 16 bits (at most 0xFFFF), not '0x18005'"},
        {"CRC:8,7,256,false,false,0",
         "init is 0x-hex or decimal that fits 8 bits (at most 0xFF), not '256'"},
        {"CRC:8,7,0,false,false,0x",
         "xorout is 0x-hex or decimal that fits 8 bits (at most 0xFF), not '0x'"},
        {"CRC:8,7,0,false,false,-1",
         "xorout is 0x-hex or decimal that fits 8 bits (at most 0xFF), not '-1'"},
        {"CRC:8,0x0G,0,false,false,0",
         "poly is 0x-hex or decimal that fits 8 bits (at most 0xFF), not '0x0G'"},
        {"CRC:1,1,0,false,false,2",
         "xorout is 0x-hex or decimal that fits 1 bit (at most 0x1), not '2'"},
        {"CRC:64,1,0x10000000000000000,false,false,0",
         "init is 0x-hex or decimal that fits 64 bits (at most 0xFFFFFFFFFFFFFFFF), not "
         "'0x10000000000000000'"},
        {"CRC:64,1,18446744073709551616,false,false,0",
         "init is 0x-hex or decimal that fits 64 bits (at most 0xFFFFFFFFFFFFFFFF), not "
         "'18446744073709551616'"},
        {"CRC:16,0,0,false,false,0",
         "poly must not be 0: it would give every frame the same checksum"},
        {"CRC:8,7,0,yes,false,0", "refin is true or false, not 'yes'"},
        {"CRC:8,7,0,true,1,0", "refout is true or false, not '1'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ChecksumLookup lookup = FindChecksum(c.text);
        EXPECT_FALSE(lookup.algorithm);
        EXPECT_EQ(lookup.error, c.error);
    }
}

}  // namespace
