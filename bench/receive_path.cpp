// The work of one receive event without the window and without its wait:
// formatting, appending, blank removal and comparison, in bytes received per
// second, for events of 1, 64 and 1024 bytes in hex and character mode.
//
// The device repeats one frame of the event's size and the expected text is
// that frame, so the events go as on a line that works: the result shows GOOD
// and empty in turn, and the views are emptied as they fill.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analysis/ByteText.h"
#include "analysis/ReceiveBatch.h"

namespace {

void ReceivePath(benchmark::State& state) {
    const auto size = static_cast<size_t>(state.range(0));
    const bool hex = state.range(1) != 0;
    std::vector<unsigned char> frame(size);
    for (size_t i = 0; i < size; ++i) {
        frame[i] = static_cast<unsigned char>('0' + i % 75);  // text, with no blanks
    }
    std::string expected;
    for (unsigned char byte : frame) {
        expected += ByteText(byte, hex);
    }
    std::string receive, filtered, result;
    for (auto _ : state) {
        std::string expectedCopy = expected;  // each event reads the box again
        AnalyseReceivedBytes(frame, hex, ReceiveTexts{receive, filtered, expectedCopy, result});
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.SetLabel(hex ? "hex" : "character");
}

BENCHMARK(ReceivePath)->ArgNames({"bytes", "hex"})->ArgsProduct({{1, 64, 1024}, {1, 0}});

}  // namespace

BENCHMARK_MAIN();
