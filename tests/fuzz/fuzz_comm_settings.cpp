// The serial control's settings string: any bytes, never a crash; what parses
// formats back to a string that parses the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "serial/CommSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<CommSettings> s = ParseCommSettings(text);
    if (s) {
        const std::optional<CommSettings> again = ParseCommSettings(FormatCommSettings(*s));
        if (!again || again->baud != s->baud || again->parity != s->parity ||
            again->dataBits != s->dataBits || again->stopBits != s->stopBits) {
            std::abort();
        }
    }
    return 0;
}
