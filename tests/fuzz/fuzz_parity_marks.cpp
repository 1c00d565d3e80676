// Received bytes with the terminal's parity marks: any bytes, never a crash.
// Reading them in pieces of any size, or a few bytes at a time, gives what
// reading them at once gives, and counting agrees with reading.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/ParityMarks.h"
#include "tests/fuzz/FuzzInput.h"

namespace {
using Bytes = std::vector<unsigned char>;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const size_t cut = in.Byte();
    const size_t limit = in.Byte() % 8 + 1;
    const std::string rest = in.Text(size);
    const Bytes raw(rest.begin(), rest.end());

    ParityMarkReader whole;
    Bytes all;
    if (whole.Count(raw.data(), raw.size()) > raw.size() ||
        whole.Read(raw.data(), raw.size(), all) != raw.size() ||
        all.size() != ParityMarkReader().Count(raw.data(), raw.size())) {
        Fail();
    }

    ParityMarkReader pieces;
    Bytes joined;
    const size_t first = std::min(cut, raw.size());
    pieces.Read(raw.data(), first, joined);
    pieces.Read(raw.data() + first, raw.size() - first, joined);
    if (joined != all || pieces.InMark() != whole.InMark()) {
        Fail();
    }

    ParityMarkReader limited;
    Bytes gathered;
    for (size_t at = 0; at < raw.size();) {
        const size_t before = gathered.size();
        const size_t taken = limited.Read(raw.data() + at, raw.size() - at, gathered, limit);
        // A stray 0xFF left from the last read may be all a read gives.
        if ((taken == 0 && gathered.size() == before) || gathered.size() - before > limit) {
            Fail();
        }
        at += taken;
    }
    if (gathered != all) {
        Fail();
    }
    return 0;
}
