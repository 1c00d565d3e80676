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

TEST(Checksum, CheckValuesOfEveryNameAliasAndParameters) {
    const struct {
        const char* given;
        const char* name;  // as the algorithm reports it; none: as given
        uint64_t check;    // over "123456789"
        size_t size;
    } cases[] = {
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
        // By parameters: widths that are not whole bytes, refin unlike refout,
        // 64 bits; the fuzz target compares every width with a bit-by-bit register.
        {"crc: 16 , 4129 , 65535 , FALSE , false , 0 ", nullptr, 0x29B1, 2},
        {"CRC:5,0x05,0x1f,true,true,0x1f", nullptr, 0x19, 1},
        {"CRC:12,0x80F,0,false,true,0", nullptr, 0xDAF, 2},
        {"CRC:64,0x42F0E1EBA9EA3693,0xFFFFFFFFFFFFFFFF,TRUE,True,0xFFFFFFFFFFFFFFFF", nullptr,
         0x995DC9BBDF1939FA, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        const ChecksumAlgorithm algorithm = Algorithm(c.given);
        EXPECT_EQ(algorithm.name(), c.name ? c.name : c.given);
        EXPECT_EQ(algorithm.Compute(Bytes(kCheckText)), c.check);
        EXPECT_EQ(algorithm.size(), c.size);
    }
}

TEST(Checksum, RefusesWithTheFieldAndWhatItTakes) {
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {"CRC-16/FOO",
         "not a checksum name; the names are CRC-16/MODBUS, CRC-16/IBM-3740, CRC-16/XMODEM, "
         "CRC-16/KERMIT, CRC-16/ARC, CRC-8/SMBUS, CRC-8/MAXIM-DOW, CRC-32/ISO-HDLC, SUM-8, XOR-8, "
         "LRC-8, or CRC:width,poly,init,refin,refout,xorout (the catalogue's aliases, such as "
         "CRC-16/CCITT-FALSE or CRC-32, too)"},
        {"CRC:16,0x8005,0xFFFF,true,true",
         "a CRC by its parameters takes six fields, CRC:width,poly,init,refin,refout,xorout, as "
         "in CRC:16,0x8005,0xFFFF,true,true,0"},
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
        EXPECT_EQ(FindChecksum(c.text).error, c.error) << c.text;  // an error means no algorithm
    }
}

TEST(ChecksumFrame, PutsTheChecksumOnTheWireInItsOrderFormAndRange) {
    const std::string five = "\x10\x20\x30\x40\x50";
    const struct {
        const char* name;
        const char* order;  // "" for the name's own
        bool ascii;
        const char* range;
        std::string body;
        std::optional<std::string> wire;  // hex pairs, or the characters sent when
                                          // ascii; none: the body cannot have one
    } cases[] = {
        {"CRC-16/MODBUS", "", false, "..", std::string("\x01\x03\x00\x0A\x00\x02", 6), "E4 09"},
        {"CRC-16/MODBUS", "BE", false, "..", kCheckText, "4B 37"},
        {"CRC-32", "", false, "..", kCheckText, "CB F4 39 26"},
        {"CRC-32", "le", false, "..", kCheckText, "26 39 F4 CB"},
        // Modbus's parameters under another name keep the catalogue's order.
        {"CRC:16,0x8005,0xFFFF,true,true,0", "", false, "..", kCheckText, "4B 37"},
        {"CRC:12,0x80F,0,false,true,0", "", false, "..", kCheckText, "0D AF"},
        {"SUM-8", "", false, "..", "\xFF\x02", "01"},
        {"LRC-8", "", false, "..", "\x80\x80", "00"},
        // Upper-case hex; only LRC-8 reads the body as hex pairs.
        {"CRC-16/XMODEM", "", true, "..", kCheckText, "31C3"},
        {"CRC-16/MODBUS", "", true, "..", kCheckText, "374B"},
        {"SUM-8", "", true, "..", kCheckText, "DD"},
        {"LRC-8", "", true, "1..", ":010300000001", "FB"},
        {"LRC-8", "", true, "..", "0a", "F6"},
        {"LRC-8", "", true, "1..", ":01030", std::nullopt},
        {"LRC-8", "", true, "1..", ":01 3", std::nullopt},
        // Part of the body; a range outside it fails even the whole body's sum.
        {"SUM-8", "", false, "1..-2", five, "90"},
        {"SUM-8", "", false, "-1..-1", five, "50"},
        {"SUM-8", "", false, "..0", five, "10"},
        {"SUM-8", "", false, "0..5", five, std::nullopt},
        {"SUM-8", "", false, "-6..", five, std::nullopt},
        {"SUM-8", "", false, "3..-3", five, std::nullopt},
        {"SUM-8", "", false, "1000000000..", five, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.order + " " + c.range + " " + c.body);
        std::string error;
        const std::optional<ChecksumRange> range = ParseChecksumRange(c.range, error);
        ASSERT_TRUE(range) << error;
        const std::optional<ChecksumOrder> order =
            *c.order ? ParseChecksumOrder(c.order, error) : std::nullopt;
        const ChecksumFrame frame(Algorithm(c.name), order, c.ascii, *range);
        const std::optional<ByteArray> checksum = frame.ChecksumFor(Bytes(c.body));
        ByteArray whole = Bytes(c.body);
        if (!c.wire) {
            EXPECT_FALSE(checksum);
            whole.resize(whole.size() + frame.wireSize(), 0xF0);
            EXPECT_EQ(frame.Check(whole), ChecksumCheck::Wrong);
            continue;
        }
        const ByteArray wire = c.ascii ? Bytes(*c.wire) : Hex(*c.wire);
        EXPECT_EQ(checksum, wire);
        whole.insert(whole.end(), wire.begin(), wire.end());
        EXPECT_EQ(frame.Check(whole), ChecksumCheck::Good);
        whole.back() ^= 1;
        EXPECT_EQ(frame.Check(whole), ChecksumCheck::Wrong);
    }
    const ChecksumFrame modbus(Algorithm("CRC-16/MODBUS"));
    EXPECT_EQ(modbus.Check(Hex("E4")), ChecksumCheck::TooShort);
    EXPECT_EQ(modbus.Check(Hex("FF FF")), ChecksumCheck::Wrong);  // no body to cover
    const ChecksumFrame xmodem(Algorithm("CRC-16/XMODEM"), std::nullopt, true);
    EXPECT_EQ(xmodem.Check(Bytes("12345678931c3")), ChecksumCheck::Good);
}

TEST(ChecksumFrame, RefusesRangeAndOrderTexts) {
    const std::string form =
        "takes FROM..TO, offsets into the frame without its checksum: from 0, or negative from "
        "its end (-1 is its last byte), TO included; either end may be left out, as in 1.. or "
        "..-2";
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {"1", form},    {"1...2", form},        {"-0..", form},
        {"+1..", form}, {"1000000001..", form}, {"-1..-3", "FROM comes after TO; " + form},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseChecksumRange(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::string error;
    EXPECT_FALSE(ParseChecksumOrder("little", error));
    EXPECT_EQ(error, "takes le (low byte first) or be (high byte first)");
}

}  // namespace
