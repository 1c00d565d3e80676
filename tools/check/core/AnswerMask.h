#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/ByteArray.h"

// An answer of fixed length with bytes that may vary: "01 03 04 ?? ?? A? 5F".
// Each pair is two hex digits, "??" for any byte, or one digit and '?' for a
// byte with one nibble fixed ("A?" is A0 to AF, "?5" is 05 to F5). Blanks or
// tabs may stand between pairs, never inside one; pairs may be packed ("0103??").
class AnswerMask {
public:
    // The mask of `text`, or nothing with `error` set to one line: the
    // character (from 1) where the first bad pair or a lone last digit starts,
    // what it is and what a pair may be; an empty mask is refused too.
    static std::optional<AnswerMask> Parse(const std::string& text, std::string& error);

    // How many bytes the answer has: one per pair.
    size_t size() const { return bytes_.size(); }

    // Whether `byte` may stand at `index` (0 to size() - 1) of the answer.
    bool Matches(size_t index, unsigned char byte) const {
        return (byte & bytes_[index].fixedBits) == bytes_[index].value;
    }

    // The index of the first byte of `answer` that cannot match, the bytes
    // past the mask's end included; nothing when every byte matches. An
    // answer shorter than the mask that matches so far gives nothing: it may
    // yet pass.
    std::optional<size_t> FirstMismatch(const ByteArray& answer) const;

    // The mask as it reads back, upper case, one blank between pairs:
    // "01 03 ?? A? ?5".
    std::string Text() const;

private:
    struct MaskByte {
        unsigned char value;      // the fixed bits' values, 0 elsewhere
        unsigned char fixedBits;  // 0xFF, 0xF0, 0x0F or 0x00
    };
    std::vector<MaskByte> bytes_;
};
