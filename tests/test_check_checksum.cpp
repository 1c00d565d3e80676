// Checksums: the catalogue's check values, CRCs by their parameters, and where
// and how a checksum sits in a frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "send/HexText.h"
#include "tools/check/core/Checksum.h"
#include "tools/check/core/ChecksumFrame.h"

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
        {"CRC-16/CCITT", "CRC-16/KERMIT", 0x2189, 2},
        {"Modbus", "CRC-16/MODBUS", 0x4B37, 2},
        {"CRC-8", "CRC-8/SMBUS", 0xF4, 1},
        {"crc-32", "CRC-32/ISO-HDLC", 0xCBF43926, 4},
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
        // Widths that are not whole bytes, refin unlike refout, and 64 bits; the
        // fuzz target compares every width with a bit-by-bit register.
        {"CRC:5,0x05,0x1f,true,true,0x1f", "", 0x19, 1},
        {"CRC:12,0x80F,0,false,true,0", "", 0xDAF, 2},
        {"CRC:64,0x42F0E1EBA9EA3693,0xFFFFFFFFFFFFFFFF,true,true,0xFFFFFFFFFFFFFFFF", "",
         0x995DC9BBDF1939FA, 8},
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
        {"CRC:", sixFields},
        {"CRC:16,0x8005,0xFFFF,true,true", sixFields},
        {"CRC:0x10,1,0,false,false,0", "width is a whole number of bits from 1 to 64, not '0x10'"},
        {"CRC:16,0x18005,0,false,false,0",
         "poly is 0x-hex or decimal that fits 16 bits (at most 0xFFFF), not '0x18005'"},
        {"CRC:8,7,0,false,false,-1",
         "xorout is 0x-hex or decimal that fits 8 bits (at most 0xFF), not '-1'"},
        {"CRC:1,1,0,false,false,2",
         "xorout is 0x-hex or decimal that fits 1 bit (at most 0x1), not '2'"},
        {"CRC:64,1,18446744073709551616,false,false,0",
         "init is 0x-hex or decimal that fits 64 bits (at most 0xFFFFFFFFFFFFFFFF), not "
         "'18446744073709551616'"},
        {"CRC:16,0,0,false,false,0",
         "poly must not be 0: it would give every frame the same checksum"},
        {"CRC:8,7,0,yes,false,0", "refin is true or false, not 'yes'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ChecksumLookup lookup = FindChecksum(c.text);
        EXPECT_FALSE(lookup.algorithm);
        EXPECT_EQ(lookup.error, c.error);
    }
}

TEST(ChecksumFrame, ModbusRequestGetsItsCrcLowByteFirst) {
    const ChecksumFrame frame(Algorithm("CRC-16/MODBUS"));
    EXPECT_EQ(frame.order(), ChecksumOrder::LowFirst);
    EXPECT_EQ(frame.wireSize(), 2u);
    EXPECT_EQ(frame.ChecksumFor(Hex("01 03 00 0A 00 02")), Hex("E4 09"));
    EXPECT_EQ(frame.Check(Hex("01 03 00 0A 00 02 E4 09")), ChecksumCheck::Good);
    EXPECT_EQ(frame.Check(Hex("01 03 00 0A 00 02 09 E4")), ChecksumCheck::Wrong);
    EXPECT_EQ(frame.Check(Hex("01 03 00 0B 00 02 E4 09")), ChecksumCheck::Wrong);
    EXPECT_EQ(frame.Check(Hex("E4")), ChecksumCheck::TooShort);
    EXPECT_EQ(frame.Check(ByteArray()), ChecksumCheck::TooShort);
    // Nothing before the checksum: no range of the body to cover.
    EXPECT_EQ(frame.Check(Hex("FF FF")), ChecksumCheck::Wrong);
}

TEST(ChecksumFrame, ByteOrderDefaultsAndOverrides) {
    const struct {
        const char* name;
        std::optional<ChecksumOrder> order;
        const char* wire;  // after "123456789"
    } cases[] = {
        {"CRC-16/MODBUS", std::nullopt, "37 4B"},
        {"CRC-16/MODBUS", ChecksumOrder::HighFirst, "4B 37"},
        {"CRC-32", std::nullopt, "CB F4 39 26"},
        {"CRC-32", ChecksumOrder::LowFirst, "26 39 F4 CB"},
        // Modbus's parameters under another name keep the catalogue's order.
        {"CRC:16,0x8005,0xFFFF,true,true,0", std::nullopt, "4B 37"},
        {"CRC:12,0x80F,0,false,true,0", std::nullopt, "0D AF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChecksumFrame frame(Algorithm(c.name), c.order);
        EXPECT_EQ(frame.ChecksumFor(Bytes(kCheckText)), Hex(c.wire));
        ByteArray whole = Bytes(kCheckText);
        const ByteArray wire = Hex(c.wire);
        whole.insert(whole.end(), wire.begin(), wire.end());
        EXPECT_EQ(frame.Check(whole), ChecksumCheck::Good);
    }
}

TEST(ChecksumFrame, AsciiWritesUpperCaseHexAndReadsEitherCase) {
    std::string error;
    const ChecksumRange afterColon = *ParseChecksumRange("1..", error);
    const struct {
        const char* name;
        ChecksumRange range;
        const char* body;
        std::optional<std::string> checksum;  // none: the body cannot have one
    } cases[] = {
        {"CRC-16/XMODEM", {}, "123456789", "31C3"},
        {"CRC-16/MODBUS", {}, "123456789", "374B"},
        // Only LRC-8 reads the body as hex pairs; the sums take its bytes.
        {"SUM-8", {}, "123456789", "DD"},
        {"LRC-8", afterColon, ":010300000001", "FB"},
        {"LRC-8", {}, "0a", "F6"},
        {"LRC-8", {}, "FF01", "00"},
        {"LRC-8", afterColon, ":01030", std::nullopt},
        {"LRC-8", afterColon, ":01 3", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.body);
        const ChecksumFrame frame(Algorithm(c.name), std::nullopt, true, c.range);
        const std::optional<ByteArray> checksum = frame.ChecksumFor(Bytes(c.body));
        EXPECT_EQ(frame.wireSize(), 2 * frame.algorithm().size());
        if (!c.checksum) {
            EXPECT_FALSE(checksum);
            EXPECT_EQ(frame.Check(Bytes(c.body + std::string("00"))), ChecksumCheck::Wrong);
            continue;
        }
        EXPECT_EQ(checksum, Bytes(*c.checksum));
        EXPECT_EQ(frame.Check(Bytes(c.body + *c.checksum)), ChecksumCheck::Good);
    }
    const ChecksumFrame xmodem(Algorithm("CRC-16/XMODEM"), std::nullopt, true);
    EXPECT_EQ(xmodem.Check(Bytes("12345678931c3")), ChecksumCheck::Good);
    EXPECT_EQ(xmodem.Check(Bytes("12345678931C4")), ChecksumCheck::Wrong);
    EXPECT_EQ(xmodem.Check(Bytes("12345678931G3")), ChecksumCheck::Wrong);
    EXPECT_EQ(xmodem.Check(Bytes("1C3")), ChecksumCheck::TooShort);
}

TEST(ChecksumFrame, RangeCoversPartOfTheBody) {
    const ByteArray body = Hex("10 20 30 40 50");
    const struct {
        const char* range;
        std::optional<unsigned char> sum;  // none: outside the body
    } cases[] = {
        {"..", 0xF0},    {"0..4", 0xF0}, {"1..", 0xE0},    {"..-2", 0xA0},
        {"1..-2", 0x90}, {"2..2", 0x30}, {"-1..-1", 0x50}, {"-5..0", 0x10},
        {"-5..", 0xF0},  {"..0", 0x10},  {"0..5", {}},     {"-6..", {}},
        {"5..", {}},     {"..-6", {}},   {"3..-3", {}},    {"1000000000..", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        std::string error;
        const std::optional<ChecksumRange> range = ParseChecksumRange(c.range, error);
        ASSERT_TRUE(range) << error;
        const ChecksumFrame frame(Algorithm("SUM-8"), std::nullopt, false, *range);
        const std::optional<ByteArray> checksum = frame.ChecksumFor(body);
        ByteArray whole = body;
        if (c.sum) {
            EXPECT_EQ(checksum, ByteArray{*c.sum});
            whole.push_back(*c.sum);
            EXPECT_EQ(frame.Check(whole), ChecksumCheck::Good);
        } else {
            EXPECT_FALSE(checksum);
            whole.push_back(0xF0);
            EXPECT_EQ(frame.Check(whole), ChecksumCheck::Wrong);
        }
    }
}

TEST(ChecksumFrame, RangeAndOrderOptionTexts) {
    const std::string form =
        "takes FROM..TO, offsets into the frame without its checksum: from 0, or negative from "
        "its end (-1 is its last byte), TO included; either end may be left out, as in 1.. or "
        "..-2";
    const struct {
        const char* text;
        std::string error;
    } refused[] = {
        {"", form},
        {"1", form},
        {"1...2", form},
        {"-0..", form},
        {"+1..", form},
        {"1000000001..", form},
        {"3..1", "FROM comes after TO; " + form},
        {"-1..-3", "FROM comes after TO; " + form},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(ParseChecksumRange(c.text, error));
        EXPECT_EQ(error, c.error);
    }

    std::string error;
    EXPECT_EQ(ParseChecksumOrder("le", error), ChecksumOrder::LowFirst);
    EXPECT_EQ(ParseChecksumOrder("BE", error), ChecksumOrder::HighFirst);
    for (const char* text : {"", "little", "l"}) {
        EXPECT_FALSE(ParseChecksumOrder(text, error)) << text;
        EXPECT_EQ(error, "takes le (low byte first) or be (high byte first)");
    }
}

}  // namespace
