#include "tools/check/core/AnswerField.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/text/AsciiCase.h"
#include "tools/check/core/ValueText.h"

namespace {

struct TypeInfo {
    FieldType type;
    const char* name;
    int size;
    bool isSigned;
    bool bigEndian;
};

// In the order of FieldType, which indexes it.
const TypeInfo kTypes[] = {
    {FieldType::U8, "u8", 1, false, true},       {FieldType::S8, "s8", 1, true, true},
    {FieldType::U16Be, "u16be", 2, false, true}, {FieldType::U16Le, "u16le", 2, false, false},
    {FieldType::S16Be, "s16be", 2, true, true},  {FieldType::S16Le, "s16le", 2, true, false},
    {FieldType::U32Be, "u32be", 4, false, true}, {FieldType::U32Le, "u32le", 4, false, false},
    {FieldType::S32Be, "s32be", 4, true, true},  {FieldType::S32Le, "s32le", 4, true, false},
};

const TypeInfo& Info(FieldType type) {
    return kTypes[static_cast<int>(type)];
}

// A whole number with an optional sign, of up to 9 digits.
std::optional<int> ReadSignedWhole(const std::string& text) {
    const size_t digits = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (text.size() == digits || text.size() > digits + 9 ||
        text.find_first_not_of("0123456789", digits) != std::string::npos) {
        return std::nullopt;
    }
    return std::atoi(text.c_str());
}

// The value as a double rounded to 15 significant digits: beyond them a
// scaled number only carries the binary error of the scale.
double RoundedTo15Digits(double value) {
    char text[32];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
    double rounded = value;
    if (error == std::errc()) {
        std::from_chars(text, end, rounded);
    }
    return rounded;
}

}  // namespace

std::optional<FieldType> FieldTypeNamed(const std::string& name) {
    for (const TypeInfo& info : kTypes) {
        if (ascii::CompareNoCase(name, info.name) == 0) {
            return info.type;
        }
    }
    return std::nullopt;
}

const char* FieldTypeName(FieldType type) {
    return Info(type).name;
}

int FieldTypeSize(FieldType type) {
    return Info(type).size;
}

const char* FieldTypeNames() {
    return "u8 s8 u16be u16le s16be s16le u32be u32le s32be s32le";
}

std::string FieldOffsetError(int offset, FieldType type) {
    const int size = FieldTypeSize(type);
    if (offset < 0 && -offset < size) {
        return "offset " + std::to_string(offset) + " leaves no room for " + FieldTypeName(type) +
               "'s " + std::to_string(size) + " bytes before the answer's end: give -" +
               std::to_string(size) + " or less (-1 is the last byte)";
    }
    return std::string();
}

std::string FieldScaleError(double scale) {
    if (!std::isfinite(scale) || scale == 0) {
        return "the scale must be a number other than 0, not " + FormatNumber(scale);
    }
    return std::string();
}

std::string FieldError(const AnswerField& field) {
    std::string error = ValueNameError(field.name);
    if (error.empty()) {
        error = FieldOffsetError(field.offset, field.type);
    }
    if (error.empty()) {
        error = FieldScaleError(field.scale);
    }
    return error;
}

std::optional<AnswerField> ParseAnswerField(const std::string& text, std::string& error) {
    static const std::string kForm =
        "give NAME=OFFSET:LENGTH:TYPE[*SCALE] or NAME=OFFSET:TYPE[*SCALE], e.g. "
        "temp=3:2:s16be*0.1";
    const std::optional<NamedText> named = ReadNamedText(text, kForm, error);
    if (!named) {
        return std::nullopt;
    }
    AnswerField field;
    field.name = named->name;
    std::string rest = named->text;
    const size_t star = rest.find('*');
    std::optional<std::string> scaleText;
    if (star != std::string::npos) {
        scaleText = rest.substr(star + 1);
        rest.resize(star);
    }
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t colon = rest.find(':', start);
        parts.push_back(TrimBlanks(rest.substr(start, colon - start)));
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) {
        error = "'" + rest + "' is not OFFSET:LENGTH:TYPE nor OFFSET:TYPE; " + kForm;
        return std::nullopt;
    }
    const std::optional<int> offset = ReadSignedWhole(parts[0]);
    if (!offset) {
        error = "the offset '" + parts[0] +
                "' is not a byte offset: a whole number, 0 the first byte, -1 the last";
        return std::nullopt;
    }
    field.offset = *offset;
    const std::optional<FieldType> type = FieldTypeNamed(parts.back());
    if (!type) {
        error = "'" + parts.back() + "' is not a type; the types are " + FieldTypeNames();
        return std::nullopt;
    }
    field.type = *type;
    if (parts.size() == 3 && ReadSignedWhole(parts[1]) != FieldTypeSize(*type)) {
        error = "the length '" + parts[1] + "' does not fit " + FieldTypeName(*type) +
                ", which takes " + std::to_string(FieldTypeSize(*type)) +
                (FieldTypeSize(*type) == 1 ? " byte" : " bytes");
        return std::nullopt;
    }
    if (scaleText) {
        const std::optional<double> scale = ReadNumber(*scaleText);
        if (!scale) {
            error = "the scale '" + TrimBlanks(*scaleText) + "' is not a number (e.g. 0.1, 1e-3)";
            return std::nullopt;
        }
        field.scale = *scale;
    }
    error = FieldError(field);
    if (!error.empty()) {
        return std::nullopt;
    }
    return field;
}

std::optional<double> DecodeField(const AnswerField& field, const ByteArray& answer) {
    const TypeInfo& info = Info(field.type);
    const long long length = static_cast<long long>(answer.size());
    const long long start = field.offset < 0 ? length + field.offset : field.offset;
    if (start < 0 || start + info.size > length) {
        return std::nullopt;
    }
    uint32_t raw = 0;
    for (int i = 0; i < info.size; ++i) {
        const int from = info.bigEndian ? i : info.size - 1 - i;
        raw = (raw << 8) | answer[static_cast<size_t>(start + from)];
    }
    double whole = raw;
    if (info.isSigned && (raw >> (info.size * 8 - 1)) & 1) {
        whole -= std::ldexp(1.0, info.size * 8);
    }
    return field.scale == 1 ? whole : RoundedTo15Digits(whole * field.scale);
}
