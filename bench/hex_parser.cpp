// The hex parser in text bytes per second: digit pairs with blanks between
// them ("01 02 ...") and packed ("0102..."), from a short frame to a long text.
#include <benchmark/benchmark.h>

#include <string>

#include "send/HexText.h"

namespace {

std::string HexText(size_t length, bool spaced) {
    static const char kDigits[] = "0123456789ABCDEFabcdef";
    std::string text;
    for (size_t i = 0; text.size() < length; ++i) {
        text += kDigits[(i * 7) % 22];
        text += kDigits[(i * 3 + 5) % 22];
        if (spaced) {
            text += ' ';
        }
    }
    text.resize(length);
    return text;
}

void HexParser(benchmark::State& state) {
    const std::string text = HexText(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    ByteArray bytes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HexTextToBytes(text, bytes));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetLabel(state.range(1) ? "spaced" : "packed");
}

BENCHMARK(HexParser)->ArgNames({"chars", "spaced"})->ArgsProduct({{12, 1024, 65536}, {1, 0}});

}  // namespace

BENCHMARK_MAIN();
