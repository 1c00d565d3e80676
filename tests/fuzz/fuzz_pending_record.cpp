// A pending file's line and --db's value: any bytes, never a crash; a line
// that reads as a record writes back to a line that reads the same.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "tools/check/database/DatabaseTarget.h"
#include "tools/check/database/PendingRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    Require(ParseDatabaseTarget(text, error) || error.find('\n') == std::string::npos);
    if (const auto record = DecodePendingRecord(text)) {
        const std::string line = EncodePendingRecord(*record);
        const auto again = DecodePendingRecord(line);
        Require(again && EncodePendingRecord(*again) == line);
    }
    return 0;
}
