// Values read from an answer: fields of its raw bytes, measures and their
// limits, and the numbers that records and reasons write.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/check/core/AnswerField.h"
#include "tools/check/core/MeasureLimits.h"
#include "tools/check/core/ValueText.h"

namespace {

const double kNone = std::numeric_limits<double>::quiet_NaN();

AnswerField Field(const std::string& option) {
    std::string error;
    const std::optional<AnswerField> field = ParseAnswerField(option, error);
    EXPECT_TRUE(field) << option << ": " << error;
    return field.value_or(AnswerField{});
}

MeasureLimits Measure(const std::string& option) {
    std::string error;
    const std::optional<MeasureLimits> measure = ParseMeasure(option, error);
    EXPECT_TRUE(measure) << option << ": " << error;
    return measure.value_or(MeasureLimits{});
}

std::optional<double> Decode(const std::string& option, const std::string& answer) {
    return DecodeField(Field(option), ByteArray(answer.begin(), answer.end()));
}

TEST(AnswerField, DecodesEachTypeFromTheStartOrTheEnd) {
    const struct {
        std::string answer;
        const char* option;
        double value;  // kNone: the answer is too short
        const char* shown;
    } cases[] = {
        {"\x01\x03\x04\x10\xD6", "v=3:2:u16be*0.001", 4.31, "4.31"},
        {"\x01\x03\x04\x10\xD6", " v = 3 : u16le ", 54800, "54800"},
        {"\xFF\xC9", "t=-2:s16be*0.1", -5.5, "-5.5"},
        {"\xC9\xFF", "t=0:S16LE", -55, "-55"},
        {"\x80\x80", "x=-1:1:u8", 128, "128"},
        {"\x80", "x=0:s8", -128, "-128"},
        {"\xFF\xFF\xFF\xFF", "x=0:u32be", 4294967295.0, "4294967295"},
        {std::string("\x00\x00\x00\x80", 4), "x=0:s32le", -2147483648.0, "-2147483648"},
        {"\x12\x34\x56\x78\x9A", "x=-4:u32le", 2591577652.0, "2591577652"},
        {"\x03", "x=0:u8*0.1", 0.3, "0.3"},
        {"\x01\x02\x03\x04", "x=3:u16be", kNone, ""},
        {"", "x=-1:u8", kNone, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const std::optional<double> value = Decode(c.option, c.answer);
        EXPECT_EQ(value.has_value(), !std::isnan(c.value));
        if (value && !std::isnan(c.value)) {
            EXPECT_EQ(*value, c.value);
            EXPECT_EQ(FormatNumber(*value), c.shown);
        }
    }
}

TEST(AnswerField, RefusesEachWrongPartInOneLine) {
    const std::string form =
        "give NAME=OFFSET:LENGTH:TYPE[*SCALE] or NAME=OFFSET:TYPE[*SCALE], e.g. "
        "temp=3:2:s16be*0.1";
    const struct {
        const char* option;
        std::string error;
    } cases[] = {
        {"temp", "no '=' after the name; " + form},
        {"3t=0:u8",
         "'3t' is not a value name: a letter or _ first, then letters, digits or _, up to 64"},
        {"t=0:2:u16be:1", "'0:2:u16be:1' is not OFFSET:LENGTH:TYPE nor OFFSET:TYPE; " + form},
        {"t=1.5:u8",
         "the offset '1.5' is not a byte offset: a whole number, 0 the first byte, -1 the last"},
        {"t=0:u24",
         "'u24' is not a type; the types are u8 s8 u16be u16le s16be s16le u32be u32le s32be "
         "s32le"},
        {"t=0:4:u16be", "the length '4' does not fit u16be, which takes 2 bytes"},
        {"t=0:u16be*0", "the scale must be a number other than 0, not 0"},
        {"t=0:u16be*0,1", "the scale '0,1' is not a number (e.g. 0.1, 1e-3)"},
        {"t=-3:s32le",
         "offset -3 leaves no room for s32le's 4 bytes before the answer's end: give -4 or less "
         "(-1 is the last byte)"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseAnswerField(c.option, error)) << c.option;
        EXPECT_EQ(error, c.error) << c.option;
    }
    // A plan's field, its parts given apart.
    EXPECT_EQ(FieldError(AnswerField{"v", -4, *FieldTypeNamed("u32be"), 0.001}), "");
    EXPECT_EQ(FieldScaleError(std::numeric_limits<double>::infinity()),
              "the scale must be a number other than 0, not inf");
}

TEST(MeasureLimits, ReadsRangesWithOpenEndsAndAUnit) {
    const struct {
        const char* option;
        const char* low;  // the limit's text, "open" for none
        const char* high;
        const char* unit;
    } cases[] = {
        {"vbat=3.0..4.2 V", "3.0", "4.2", "V"},
        {"t=-40..85 °C", "-40", "85", "°C"},
        {"v=..4.2", "open", "4.2", ""},
        {"v=3.0..", "3.0", "open", ""},
        {" v = ..  V dc ", "open", "open", "V dc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const MeasureLimits m = Measure(c.option);
        EXPECT_EQ(m.low ? m.low->text : "open", c.low);
        EXPECT_EQ(m.high ? m.high->text : "open", c.high);
        EXPECT_EQ(m.unit, c.unit);
    }
    EXPECT_EQ(Measure("i=1e-3..+2E-3 mA").high.value().value, 0.002);

    const std::string number = "' is not a number (e.g. 3.0, -40, 1e-3)";
    const struct {
        const char* option;
        std::string error;
    } bad[] = {
        {"vbat=",
         "no limits after '='; give NAME=LOW..HIGH [UNIT], e.g. vbat=3.0..4.2 V; either "
         "limit may be left out (..4.2, 3.0.., ..)"},
        {"vbat=4.2..3.0", "the low limit 4.2 is above the high limit 3.0"},
        {"vbat=3,0..4,2", "the low limit '3,0" + number},
        {"vbat=3.0..4.2V",
         "the high limit '4.2V" + number + "; a unit goes after a blank: 3.0..4.2 V"},
    };
    for (const auto& c : bad) {
        std::string error;
        EXPECT_FALSE(ParseMeasure(c.option, error)) << c.option;
        EXPECT_EQ(error, c.error) << c.option;
    }
}

TEST(MeasureLimits, GivesAReasonForAValueOutsideItsLimits) {
    const MeasureLimits vbat = Measure("vbat=3.0..4.2 V");
    const struct {
        const char* text;
        const char* reason;
        double number;  // kNone when it is no number
    } cases[] = {
        {"3.0", "", 3.0},
        {" 4.200\t", "", 4.2},
        {"4.31", "vbat 4.31 above 4.2", 4.31},
        {"-29e-1", "vbat -2.9 below 3.0", -2.9},
        {"3,61", "vbat \"3,61\" is not a number", kNone},
        {"3.6\n", "vbat \"3.6\\n\" is not a number", kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const MeasuredValue judged = JudgeText(vbat, c.text);
        EXPECT_EQ(judged.reason, c.reason);
        EXPECT_EQ(judged.number.has_value(), !std::isnan(c.number));
        if (judged.number && !std::isnan(c.number)) {
            EXPECT_EQ(*judged.number, c.number);
        }
    }
    // A scaled field at the limit is at the limit.
    EXPECT_EQ(JudgeNumber(vbat, Decode("v=0:u16be*0.001", "\x10\x68").value()).reason, "");
    EXPECT_EQ(JudgeNumber(vbat, kNone).reason, "vbat nan is not a number");
    EXPECT_EQ(LimitOf(4.2).text, "4.2");
}

TEST(ValueText, ReadsOnlyPlainDecimalNumbersAndWritesTheShortestText) {
    for (const char* good : {"3", "-0.5", "+2", ".5", "3.", "2E+4", " 007\t"}) {
        EXPECT_TRUE(ReadNumber(good)) << good;
    }
    for (const char* bad : {"", " ", "0x10", "inf", "nan", "1,5", "1 000", "1e", "e5", ".", "-",
                            "+-1", "3.61V", "3.6.1", "\n3", "1e400", "٣"}) {
        EXPECT_FALSE(ReadNumber(bad)) << bad;
    }
    const struct {
        double value;
        const char* text;
    } written[] = {
        {0.1 + 0.2, "0.30000000000000004"},
        {9007199254740992.0, "9007199254740992"},
        {0.001, "0.001"},
        {1e-7, "1e-07"},
        {1e15, "1e+15"},
        {-0.0, "0"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& c : written) {
        EXPECT_EQ(FormatNumber(c.value), c.text);
    }
    EXPECT_EQ(ValueNameError(std::string(64, '_')), "");
    EXPECT_NE(ValueNameError(std::string(65, '_')), "");
}

}  // namespace
