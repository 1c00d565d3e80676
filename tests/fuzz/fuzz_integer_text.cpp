// The period field's text: any bytes, never a crash; what parses formats back
// to a text that parses to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text/IntegerText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> value = integer_text::Parse(text);
    if (value) {
        const std::optional<int32_t> again = integer_text::Parse(integer_text::Format(*value));
        if (!again || *again != *value) {
            std::abort();
        }
    }
    return 0;
}
