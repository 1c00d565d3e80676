#include "analysis/ByteText.h"

std::string ByteText(unsigned char byte, bool hex) {
    if (hex) {
        static const char kDigits[] = "0123456789ABCDEF";
        return {kDigits[byte >> 4], kDigits[byte & 0x0F], ' '};
    }
    if (byte == 0) {
        return std::string();
    }
    return std::string(1, static_cast<char>(byte));
}
