#include "tools/check/core/AnswerMask.h"

#include "send/HexText.h"
#include "tools/check/core/TextEscapes.h"

namespace {

const char kPairs[] = "a pair is two hex digits (5F), ?? for any byte, or a digit and ? (A?, ?5)";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes of one UTF-8 character that starts at `at`, at least one.
size_t CharacterLength(const std::string& text, size_t at) {
    size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return end - at;
}

}  // namespace

std::optional<AnswerMask> AnswerMask::Parse(const std::string& text, std::string& error) {
    AnswerMask mask;
    mask.bytes_.reserve(text.size() / 2);
    size_t at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
            continue;
        }
        // Everything before a bad pair is ASCII, so its byte index is its
        // character number.
        const std::string where = "character " + std::to_string(at + 1) + ": ";
        const bool highWild = text[at] == '?';
        const unsigned char high = HexCharValue(text[at]);
        const bool lone = at + 1 == text.size() || IsBlank(text[at + 1]);
        if (lone && (high != 16 || highWild)) {
            error = where + QuotedForTerminal(text.substr(at, 1)) +
                    " stands alone; each byte takes a pair: " + kPairs;
            return std::nullopt;
        }
        const bool lowWild = !lone && text[at + 1] == '?';
        const unsigned char low = lone ? 16 : HexCharValue(text[at + 1]);
        if ((high == 16 && !highWild) || (low == 16 && !lowWild)) {
            size_t length = CharacterLength(text, at);
            if (!lone && at + length < text.size()) {
                length += CharacterLength(text, at + length);
            }
            error =
                where + QuotedForTerminal(text.substr(at, length)) + " is not a pair; " + kPairs;
            return std::nullopt;
        }
        MaskByte byte;
        byte.fixedBits = static_cast<unsigned char>((highWild ? 0 : 0xF0) | (lowWild ? 0 : 0x0F));
        byte.value = static_cast<unsigned char>(((highWild ? 0 : high) << 4) | (lowWild ? 0 : low));
        mask.bytes_.push_back(byte);
        at += 2;
    }
    if (mask.bytes_.empty()) {
        error = "the mask is empty; give one pair per byte of the answer, e.g. \"01 03 ?? ??\"";
        return std::nullopt;
    }
    return mask;
}

std::optional<size_t> AnswerMask::FirstMismatch(const ByteArray& answer) const {
    for (size_t i = 0; i < answer.size(); ++i) {
        if (i >= bytes_.size() || !Matches(i, answer[i])) {
            return i;
        }
    }
    return std::nullopt;
}

std::string AnswerMask::Text() const {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const MaskByte& byte : bytes_) {
        text += (byte.fixedBits & 0xF0) ? kDigits[byte.value >> 4] : '?';
        text += (byte.fixedBits & 0x0F) ? kDigits[byte.value & 0x0F] : '?';
        text += ' ';
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}
