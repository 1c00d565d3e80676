// The hex parser: any text, never a crash, and the bytes a plain reading of the
// rules gives: blanks between pairs are skipped, a pair is two hex digits, the
// first pair that is not ends the parse, and a lone last character is dropped;
// the parse says where and why it stopped as that reading does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "send/HexText.h"

namespace {

// A digit's value by its place in the list of digits, or -1.
int DigitValue(char c) {
    static const char kDigits[] = "0123456789abcdef0123456789ABCDEF";
    if (c == '\0') {
        return -1;
    }
    const char* at = std::strchr(kDigits, c);
    return at ? static_cast<int>(at - kDigits) % 16 : -1;
}

// The bytes, and where and why the reading stopped.
ByteArray ReferenceParse(const std::string_view text, HexParseEnd& end) {
    ByteArray bytes;
    std::string_view rest = text;
    for (;;) {
        const size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            end = HexParseEnd{HexParseEnd::Complete, text.size()};
            return bytes;
        }
        rest.remove_prefix(start);
        const size_t at = text.size() - rest.size();
        if (rest.size() < 2) {
            end = HexParseEnd{HexParseEnd::LoneLast, at};
            return bytes;
        }
        const int high = DigitValue(rest[0]);
        const int low = DigitValue(rest[1]);
        if (high < 0 || low < 0) {
            end = HexParseEnd{HexParseEnd::NotAPair, at};
            return bytes;
        }
        bytes.push_back(static_cast<unsigned char>((high << 4) | low));
        rest.remove_prefix(2);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string before = text;

    for (const char c : text) {
        const int expected = DigitValue(c);
        if (HexCharValue(c) != (expected < 0 ? 16 : expected)) {
            std::abort();
        }
    }

    // Whatever the array held is replaced, whether it was longer or shorter.
    ByteArray out(size % 7 == 0 ? size + 3 : size % 5, 0xEE);
    const int count = HexTextToBytes(text, out);
    if (count < 0 || static_cast<size_t>(count) != out.size() || out.size() > size / 2) {
        std::abort();
    }
    if (text != before) {
        std::abort();
    }
    HexParseEnd expectedEnd;
    if (out != ReferenceParse(text, expectedEnd)) {
        std::abort();
    }
    ByteArray again(3, 0xEE);
    const HexParseEnd end = ParseHexText(text, again);
    if (again != out || end.reason != expectedEnd.reason || end.position != expectedEnd.position) {
        std::abort();
    }
    return 0;
}
