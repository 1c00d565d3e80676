// The hex parser: any text, never a crash, and the bytes a plain reading of the
// rules gives: blanks between pairs are skipped, a pair is two hex digits, the
// first pair that is not ends the parse, and a lone last character is dropped.
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

ByteArray ReferenceParse(std::string_view rest) {
    ByteArray bytes;
    for (;;) {
        const size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            return bytes;
        }
        rest.remove_prefix(start);
        if (rest.size() < 2) {
            return bytes;
        }
        const int high = DigitValue(rest[0]);
        const int low = DigitValue(rest[1]);
        if (high < 0 || low < 0) {
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
    if (out != ReferenceParse(text)) {
        std::abort();
    }
    return 0;
}
