#pragma once

#include <optional>
#include <string>

#include "platform/text/ByteArray.h"

// A number at a fixed place of the raw answer: 'temp=3:2:s16be*0.1' reads
// bytes 3 and 4 (from 0) as a signed 16-bit number, high byte first, times 0.1.

enum class FieldType { U8, S8, U16Be, U16Le, S16Be, S16Le, U32Be, U32Le, S32Be, S32Le };

// The type of its name, "u8" to "s32le", letters in either case; nothing for
// any other text.
std::optional<FieldType> FieldTypeNamed(const std::string& name);

// "u8", "s16be" ...: the name FieldTypeNamed reads.
const char* FieldTypeName(FieldType type);

// The bytes a type takes: 1, 2 or 4.
int FieldTypeSize(FieldType type);

// The types' names for an error: "u8 s8 u16be u16le s16be s16le u32be u32le
// s32be s32le".
const char* FieldTypeNames();

struct AnswerField {
    std::string name;  // a value name (ValueNameError)
    int offset = 0;    // from the answer's start (0 its first byte); negative
                       // from its end (-1 its last byte)
    FieldType type = FieldType::U8;
    double scale = 1;  // finite and not 0
};

// Each part of a field as a plan file gives it, checked on its own: empty when
// it is fine, else why not in one line.
std::string FieldOffsetError(int offset, FieldType type);  // a negative offset leaves room
std::string FieldScaleError(double scale);                 // finite, not 0
// All of its parts, the name included.
std::string FieldError(const AnswerField& field);

// A field as the command line gives it: NAME=OFFSET:LENGTH:TYPE[*SCALE] or
// NAME=OFFSET:TYPE[*SCALE] (the length is the type's). Nothing, with `error`
// set to one line saying which part is wrong and what it may be, when it is
// not one or FieldError refuses it.
std::optional<AnswerField> ParseAnswerField(const std::string& text, std::string& error);

// The field's value in `answer` (the bytes it is read from, without their end
// marker or checksum): the whole number times the scale, rounded to 15
// significant digits so that 4310 * 0.001 is 4.31. Nothing when the answer is
// too short to hold it.
std::optional<double> DecodeField(const AnswerField& field, const ByteArray& answer);
