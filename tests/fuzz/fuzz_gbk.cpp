// Texts cross into widgets and back: any bytes must come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text/Gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (gbk::ToBytes(gbk::ToQt(bytes)) != bytes) {
        std::abort();
    }
    return 0;
}
