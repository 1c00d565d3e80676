// Values read from an answer: fields of its raw bytes, measures and their
// limits, and the numbers that records and reasons write.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tools/check/core/AnswerField.h"
#include "tools/check/core/MeasureLimits.h"
#include "tools/check/core/ValueText.h"

namespace {

// The field's value in the answer as records write it ("" when the answer is
// too short), or why the option is refused.
std::string Decode(const std::string& option, const std::string& answer) {
    std::string error;
    const std::optional<AnswerField> field = ParseAnswerField(option, error);
    if (!field) {
        return error;
    }
    const std::optional<double> value =
        DecodeField(*field, ByteArray(answer.begin(), answer.end()));
    return value ? FormatNumber(*value) : "";
}

TEST(AnswerField, DecodesEachTypeFromTheStartOrTheEndAndRefusesEachWrongPart) {
    const std::string form =
        "give NAME=OFFSET:LENGTH:TYPE[*SCALE] or NAME=OFFSET:TYPE[*SCALE], e.g. "
        "temp=3:2:s16be*0.1";
    const struct {
        std::string answer;
        const char* option;
        std::string value;
    } cases[] = {
        {"\x01\x03\x04\x10\xD6", "v=3:2:u16be*0.001", "4.31"},
        {"\x01\x03\x04\x10\xD6", " v = 3 : u16le ", "54800"},
        {"\xFF\xC9", "t=-2:s16be*0.1", "-5.5"},
        {"\xC9\xFF", "t=0:S16LE", "-55"},
        {"\x80\x80", "x=-1:1:u8", "128"},
        {"\x80", "x=0:s8", "-128"},
        {"\xFF\xFF\xFF\xFF", "x=0:u32be", "4294967295"},
        {std::string("\x00\x00\x00\x80", 4), "x=0:s32le", "-2147483648"},
        {"\x12\x34\x56\x78\x9A", "x=-4:u32le", "2591577652"},
        {"\x03", "x=0:u8*0.1", "0.3"},
        {"\x01\x02\x03\x04", "x=3:u16be", ""},
        {"", "x=-1:u8", ""},
        {"", "temp", "no '=' after the name; " + form},
        {"", "3t=0:u8",
         "'3t' is not a value name: a letter or _ first, then letters, digits or _, up to 64"},
        {"", "t=0:2:u16be:1", "'0:2:u16be:1' is not OFFSET:LENGTH:TYPE nor OFFSET:TYPE; " + form},
        {"", "t=1.5:u8",
         "the offset '1.5' is not a byte offset: a whole number, 0 the first byte, -1 the last"},
        {"", "t=0:u24",
         "'u24' is not a type; the types are u8 s8 u16be u16le s16be s16le u32be u32le s32be "
         "s32le"},
        {"", "t=0:4:u16be", "the length '4' does not fit u16be, which takes 2 bytes"},
        {"", "t=0:u16be*0", "the scale must be a number other than 0, not 0"},
        {"", "t=0:u16be*0,1", "the scale '0,1' is not a number (e.g. 0.1, 1e-3)"},
        {"", "t=-3:s32le",
         "offset -3 leaves no room for s32le's 4 bytes before the answer's end: give -4 or less "
         "(-1 is the last byte)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.option, c.answer), c.value) << c.option;
    }
    // A plan's scale, given apart.
    EXPECT_EQ(FieldScaleError(std::numeric_limits<double>::infinity()),
              "the scale must be a number other than 0, not inf");
}

TEST(MeasureLimits, ReadsRangesWithOpenEndsAndAUnitOrSaysWhatIsWrong) {
    const std::string number = "' is not a number (e.g. 3.0, -40, 1e-3)";
    const struct {
        const char* option;
        std::string limits;  // LOW..HIGH|UNIT as written, an open end empty; or the error
    } cases[] = {
        {"vbat=3.0..4.2 V", "3.0..4.2|V"},
        {"v=..4.2", "..4.2|"},
        {"v=3.0..", "3.0..|"},
        {" v = ..  V dc ", "..|V dc"},
        {"vbat=",
         "no limits after '='; give NAME=LOW..HIGH [UNIT], e.g. vbat=3.0..4.2 V; either "
         "limit may be left out (..4.2, 3.0.., ..)"},
        {"vbat=4.2..3.0", "the low limit 4.2 is above the high limit 3.0"},
        {"vbat=3,0..4,2", "the low limit '3,0" + number},
        {"vbat=3.0..4.2V",
         "the high limit '4.2V" + number + "; a unit goes after a blank: 3.0..4.2 V"},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<MeasureLimits> m = ParseMeasure(c.option, error);
        EXPECT_EQ(!m ? error
                     : (m->low ? m->low->text : "") + ".." + (m->high ? m->high->text : "") + "|" +
                           m->unit,
                  c.limits)
            << c.option;
    }
    std::string error;
    EXPECT_EQ(ParseMeasure("i=1e-3..+2E-3 mA", error).value().high.value().value, 0.002);
}

TEST(MeasureLimits, GivesAReasonForAValueOutsideItsLimits) {
    std::string error;
    const MeasureLimits vbat = ParseMeasure("vbat=3.0..4.2 V", error).value();
    const struct {
        const char* text;
        const char* reason;
        const char* number;  // as recorded, "" when it is no number
    } cases[] = {
        {"3.0", "", "3"},
        {" 4.200\t", "", "4.2"},
        {"4.31", "vbat 4.31 above 4.2", "4.31"},
        {"-29e-1", "vbat -2.9 below 3.0", "-2.9"},
        {"3,61", "vbat \"3,61\" is not a number", ""},
        {"3.6\n", "vbat \"3.6\\n\" is not a number", ""},
    };
    for (const auto& c : cases) {
        const MeasuredValue judged = JudgeText(vbat, c.text);
        EXPECT_EQ(judged.reason, c.reason) << c.text;
        EXPECT_EQ(judged.number ? FormatNumber(*judged.number) : "", c.number) << c.text;
    }
    EXPECT_EQ(JudgeNumber(vbat, std::numeric_limits<double>::quiet_NaN()).reason,
              "vbat nan is not a number");
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
