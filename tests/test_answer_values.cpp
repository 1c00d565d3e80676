// Values read from an answer: fields of its raw bytes, measures and their
// limits, and the texts of names and numbers that records and reasons use.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tools/check/core/AnswerField.h"
#include "tools/check/core/MeasureLimits.h"
#include "tools/check/core/ValueText.h"

namespace {

ByteArray Bytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

AnswerField Field(const std::string& spec) {
    std::string error;
    const std::optional<AnswerField> field = ParseAnswerField(spec, error);
    EXPECT_TRUE(field) << spec << ": " << error;
    return field.value_or(AnswerField{});
}

MeasureLimits Measure(const std::string& spec) {
    std::string error;
    const std::optional<MeasureLimits> measure = ParseMeasure(spec, error);
    EXPECT_TRUE(measure) << spec << ": " << error;
    return measure.value_or(MeasureLimits{});
}

TEST(AnswerField, DecodesEachTypeFromTheStartOrTheEnd) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::string answer;
        const char* spec;
        double value;  // NaN: the answer is too short
        const char* shown;
    } cases[] = {
        {"\x01\x03\x04\x10\xD6", "v=3:2:u16be*0.001", 4.31, "4.31"},
        {"\x01\x03\x04\x10\xD6", "v=3:u16le", 54800, "54800"},
        {"\x01\x03\x04\x10\x68", "v=-2:u16be*0.001", 4.2, "4.2"},
        {"\xFF\xC9", "t=0:2:s16be*0.1", -5.5, "-5.5"},
        {"\xC9\xFF", "t=0:s16le", -55, "-55"},
        {"\x7F\xFF", "t=0:s16be", 32767, "32767"},
        {"\x80", "x=0:s8", -128, "-128"},
        {"\x80", "x=0:u8", 128, "128"},
        {"\x01\x02\x03", "x=-1:u8", 3, "3"},
        {"\x01\x02\x03", "x=-3:1:u8", 1, "1"},
        {"\xFF\xFF\xFF\xFF", "x=0:u32be", 4294967295.0, "4294967295"},
        {"\xFF\xFF\xFF\xFF", "x=0:s32be", -1, "-1"},
        {std::string("\x00\x00\x00\x80", 4), "x=0:s32le", -2147483648.0, "-2147483648"},
        {"\x78\x56\x34\x12", "x=0:4:u32le", 305419896, "305419896"},
        {"\x12\x34\x56\x78", "x=-4:s32be", 305419896, "305419896"},
        {"\x03", "x=0:u8*0.1", 0.3, "0.3"},
        {"\x07", "x=0:u8*1e-3", 0.007, "0.007"},
        {"\x0A", "x=0:u8*-2.5", -25, "-25"},
        {std::string("\x00", 1), "x=0:u8*-0.5", 0, "0"},
        {"\x01\x02\x03\x04", "x=3:u16be", none, ""},
        {"\x01\x02\x03\x04", "x=-5:u32be", none, ""},
        {"\x01\x02\x03\x04", "x=4:u8", none, ""},
        {"", "x=0:u8", none, ""},
        {"", "x=-1:u8", none, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const std::optional<double> value = DecodeField(Field(c.spec), Bytes(c.answer));
        if (std::isnan(c.value)) {
            EXPECT_FALSE(value);
            continue;
        }
        ASSERT_TRUE(value);
        EXPECT_EQ(*value, c.value);
        EXPECT_EQ(FormatNumber(*value), c.shown);
    }
}

TEST(AnswerField, ReadsBothFormsAndRefusesEachWrongPart) {
    const AnswerField full = Field(" temp = 3 : 2 : s16be * 0.1 ");
    EXPECT_EQ(full.name, "temp");
    EXPECT_EQ(full.offset, 3);
    EXPECT_EQ(full.type, FieldType::S16Be);
    EXPECT_EQ(full.scale, 0.1);
    const AnswerField shortForm = Field("_v9=-2:U16LE");
    EXPECT_EQ(shortForm.offset, -2);
    EXPECT_EQ(shortForm.type, FieldType::U16Le);
    EXPECT_EQ(shortForm.scale, 1);
    EXPECT_EQ(Field("v=+0:02:u16be").offset, 0);

    const std::string form =
        "give NAME=OFFSET:LENGTH:TYPE[*SCALE] or NAME=OFFSET:TYPE[*SCALE], e.g. "
        "temp=3:2:s16be*0.1";
    const std::string offset =
        "' is not a byte offset: a whole number, 0 the first byte, -1 the last";
    const struct {
        const char* spec;
        std::string error;
    } bad[] = {
        {"temp", "no '=' after the name; " + form},
        {"=0:u8", "a value needs a name"},
        {"3t=0:u8",
         "'3t' is not a value name: a letter or _ first, then letters, digits or _, up to 64"},
        {"t=0", "'0' is not OFFSET:LENGTH:TYPE nor OFFSET:TYPE; " + form},
        {"t=0:2:u16be:1", "'0:2:u16be:1' is not OFFSET:LENGTH:TYPE nor OFFSET:TYPE; " + form},
        {"t=x:u8", "the offset 'x" + offset},
        {"t=1.5:u8", "the offset '1.5" + offset},
        {"t=1234567890:u8", "the offset '1234567890" + offset},
        {"t=0:u24",
         "'u24' is not a type; the types are u8 s8 u16be u16le s16be s16le u32be u32le s32be "
         "s32le"},
        {"t=0:4:u16be", "the length '4' does not fit u16be, which takes 2 bytes"},
        {"t=0:2:u8", "the length '2' does not fit u8, which takes 1 byte"},
        {"t=0:u16be*0", "the scale must be a number other than 0, not 0"},
        {"t=0:u16be*0,1", "the scale '0,1' is not a number (e.g. 0.1, 1e-3)"},
        {"t=0:u16be*", "the scale '' is not a number (e.g. 0.1, 1e-3)"},
        {"t=-1:u16be",
         "offset -1 leaves no room for u16be's 2 bytes before the answer's end: give -2 or less "
         "(-1 is the last byte)"},
        {"t=-3:s32le",
         "offset -3 leaves no room for s32le's 4 bytes before the answer's end: give -4 or less "
         "(-1 is the last byte)"},
    };
    for (const auto& c : bad) {
        std::string error;
        EXPECT_FALSE(ParseAnswerField(c.spec, error)) << c.spec;
        EXPECT_EQ(error, c.error) << c.spec;
    }
}

TEST(AnswerField, ChecksThePartsAPlanGivesOneByOne) {
    EXPECT_EQ(FieldTypeNamed("S32LE"), FieldType::S32Le);
    EXPECT_EQ(FieldTypeNamed("u16"), std::nullopt);
    EXPECT_EQ(FieldTypeSize(FieldType::U32Be), 4);
    EXPECT_STREQ(FieldTypeName(FieldType::S8), "s8");
    EXPECT_EQ(FieldOffsetError(7, FieldType::U32Be), "");
    EXPECT_EQ(FieldOffsetError(-4, FieldType::U32Be), "");
    EXPECT_NE(FieldOffsetError(-3, FieldType::U32Be), "");
    EXPECT_EQ(FieldScaleError(-0.001), "");
    EXPECT_EQ(FieldScaleError(std::numeric_limits<double>::infinity()),
              "the scale must be a number other than 0, not inf");
    EXPECT_EQ(FieldError(AnswerField{"v", 3, FieldType::U16Be, 0.001}), "");
    EXPECT_EQ(
        FieldError(AnswerField{"v-1", 3, FieldType::U16Be, 0.001}),
        "'v-1' is not a value name: a letter or _ first, then letters, digits or _, up to 64");
}

TEST(MeasureLimits, ReadsRangesWithOpenEndsAndAUnit) {
    const struct {
        const char* spec;
        const char* name;
        const char* low;  // the limit's text, "open" for none
        const char* high;
        const char* unit;
    } cases[] = {
        {"vbat=3.0..4.2 V", "vbat", "3.0", "4.2", "V"},
        {"t=-40..85 °C", "t", "-40", "85", "°C"},
        {"v=..4.2", "v", "open", "4.2", ""},
        {"v=3.0..", "v", "3.0", "open", ""},
        {"v=..", "v", "open", "open", ""},
        {"i=1e-3..+2E-3\tmA", "i", "1e-3", "+2E-3", "mA"},
        {" v = 3..3   V dc ", "v", "3", "3", "V dc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const MeasureLimits m = Measure(c.spec);
        EXPECT_EQ(m.name, c.name);
        EXPECT_EQ(m.low ? m.low->text : "open", c.low);
        EXPECT_EQ(m.high ? m.high->text : "open", c.high);
        EXPECT_EQ(m.unit, c.unit);
    }
    const MeasureLimits m = Measure("i=1e-3..+2E-3 mA");
    EXPECT_EQ(m.low->value, 0.001);
    EXPECT_EQ(m.high->value, 0.002);

    const std::string form =
        "give NAME=LOW..HIGH [UNIT], e.g. vbat=3.0..4.2 V; either limit may be left out "
        "(..4.2, 3.0.., ..)";
    const std::string unit = "; a unit goes after a blank: 3.0..4.2 V";
    const struct {
        const char* spec;
        std::string error;
    } bad[] = {
        {"vbat", "no '=' after the name; " + form},
        {"vbat=", "no limits after '='; " + form},
        {"vbat= V", "'V' is not a range LOW..HIGH; " + form},
        {"vbat=3.0-4.2 V", "'3.0-4.2' is not a range LOW..HIGH; " + form},
        {"vbat=4.2..3.0", "the low limit 4.2 is above the high limit 3.0"},
        {"vbat=3,0..4,2", "the low limit '3,0' is not a number (e.g. 3.0, -40, 1e-3)"},
        {"vbat=3..0x10", "the high limit '0x10' is not a number (e.g. 3.0, -40, 1e-3)" + unit},
        {"vbat=..inf", "the high limit 'inf' is not a number (e.g. 3.0, -40, 1e-3)" + unit},
        {"vbat=3.0..4.2V", "the high limit '4.2V' is not a number (e.g. 3.0, -40, 1e-3)" + unit},
        {"1v=..",
         "'1v' is not a value name: a letter or _ first, then letters, digits or _, up to 64"},
    };
    for (const auto& c : bad) {
        std::string error;
        EXPECT_FALSE(ParseMeasure(c.spec, error)) << c.spec;
        EXPECT_EQ(error, c.error) << c.spec;
    }
}

TEST(MeasureLimits, GivesAReasonForAValueOutsideItsLimits) {
    const MeasureLimits vbat = Measure("vbat=3.0..4.2 V");
    const MeasureLimits any = Measure("v=..");
    const struct {
        const MeasureLimits& measure;
        const char* text;
        const char* reason;
        double number;  // NaN when it is no number
    } cases[] = {
        {vbat, "3.61", "", 3.61},
        {vbat, "3.0", "", 3.0},
        {vbat, "4.2", "", 4.2},
        {vbat, " 4.200\t", "", 4.2},
        {vbat, "4.31", "vbat 4.31 above 4.2", 4.31},
        {vbat, "4.2000001", "vbat 4.2000001 above 4.2", 4.2000001},
        {vbat, "2.9", "vbat 2.9 below 3.0", 2.9},
        {vbat, "-1e3", "vbat -1000 below 3.0", -1000},
        {vbat, "3,61", "vbat \"3,61\" is not a number", NAN},
        {vbat, "", "vbat \"\" is not a number", NAN},
        {vbat, "3.6\n", "vbat \"3.6\\n\" is not a number", NAN},
        {any, "-1e300", "", -1e300},
        {any, "abc", "v \"abc\" is not a number", NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const MeasuredValue judged = JudgeText(c.measure, c.text);
        EXPECT_EQ(judged.reason, c.reason);
        EXPECT_EQ(judged.number.has_value(), !std::isnan(c.number));
        if (judged.number && !std::isnan(c.number)) {
            EXPECT_EQ(*judged.number, c.number);
        }
    }
    // A field's value at a limit, scaled, is at the limit.
    EXPECT_EQ(JudgeNumber(vbat, *DecodeField(Field("v=0:u16be*0.001"), Bytes("\x10\x68"))).reason,
              "");
    EXPECT_EQ(JudgeNumber(vbat, *DecodeField(Field("v=0:u16be*0.001"), Bytes("\x10\xD6"))).reason,
              "vbat 4.31 above 4.2");
    EXPECT_EQ(JudgeNumber(vbat, NAN).reason, "vbat nan is not a number");
    EXPECT_EQ(LimitOf(3).text, "3");
    EXPECT_EQ(LimitOf(4.2).text, "4.2");
}

TEST(ValueText, ReadsOnlyPlainDecimalNumbers) {
    const struct {
        const char* text;
        double value;  // NaN when refused
    } cases[] = {
        {"3", 3},        {"-0.5", -0.5},    {"+2", 2},         {".5", 0.5},    {"3.", 3},
        {"1e-3", 0.001}, {"2E+4", 20000},   {" 3.61\t", 3.61}, {"007", 7},     {"-0", 0},
        {"", NAN},       {" ", NAN},        {"0x10", NAN},     {"inf", NAN},   {"nan", NAN},
        {"-inf", NAN},   {"Infinity", NAN}, {"1,5", NAN},      {"1 000", NAN}, {"1e", NAN},
        {"1e+", NAN},    {"e5", NAN},       {".", NAN},        {"-", NAN},     {"+-1", NAN},
        {"--1", NAN},    {"3.61V", NAN},    {"3.6.1", NAN},    {"1_0", NAN},   {"\n3", NAN},
        {"1e400", NAN},  {"٣", NAN},
    };
    for (const auto& c : cases) {
        const std::optional<double> value = ReadNumber(c.text);
        if (std::isnan(c.value)) {
            EXPECT_FALSE(value) << '"' << c.text << '"';
        } else {
            ASSERT_TRUE(value) << '"' << c.text << '"';
            EXPECT_EQ(*value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(ValueText, WritesTheShortestTextThatReadsBack) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {4.31, "4.31"},
        {0.1 + 0.2, "0.30000000000000004"},
        {9007199254740992.0, "9007199254740992"},
        {-40, "-40"},
        {0.001, "0.001"},
        {1e-7, "1e-07"},
        {1.5e20, "1.5e+20"},
        {1e15, "1e+15"},
        {1e14, "100000000000000"},
        {123456.789, "123456.789"},
        {-0.0, "0"},
        {4294967295.0, "4294967295"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text);
    }
}

TEST(ValueText, NamesAreShortIdentifiers) {
    const std::string why =
        "' is not a value name: a letter or _ first, then letters, digits or _, up to 64";
    for (const std::string& good :
         std::vector<std::string>{"vbat", "_", "a1_B", std::string(64, 'x')}) {
        EXPECT_EQ(ValueNameError(good), "") << good;
    }
    for (const std::string& bad :
         std::vector<std::string>{"1a", "a-b", "a b", "é", std::string(65, 'x')}) {
        EXPECT_EQ(ValueNameError(bad), "'" + bad + why) << bad;
    }
    EXPECT_EQ(ValueNameError(""), "a value needs a name");
}

}  // namespace
