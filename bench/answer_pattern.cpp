// Matching one 64-byte answer against a pattern with two named groups, and
// reading them: in ASCII, and with Chinese text read as GBK.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/text/Gbk.h"
#include "tools/check/core/AnswerPattern.h"

namespace {

ByteArray Answer(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

void Match(benchmark::State& state, const std::string& pattern, const ByteArray& answer) {
    std::string error;
    const std::optional<AnswerPattern> compiled = AnswerPattern::Compile(pattern, error);
    if (!compiled || !compiled->Match(answer).matched) {
        state.SkipWithError("the pattern does not match its answer");
        return;
    }
    for (auto _ : state) {
        PatternMatch match = compiled->Match(answer);
        benchmark::DoNotOptimize(match);
    }
    state.SetLabel(std::to_string(answer.size()) + " bytes");
}

void AsciiAnswer(benchmark::State& state) {
    // 64 bytes.
    Match(state, "SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+) FW=[0-9.]+ T=-?\\d+ ST=OK [A-Z]+",
          Answer("SN=00A1B2C3 V=3.61 FW=2.10.4 T=-12 ST=OK ABCDEFGHIJKLMNOPQRSTUVW"));
}

void GbkAnswer(benchmark::State& state) {
    // 64 bytes, 16 of them the GBK of 8 Chinese characters.
    Match(state, "序号=(?<sn>[0-9A-F]{8}) 电压=(?<vbat>[0-9.]+) 状态=正常 [A-Z]+",
          Answer(gbk::Text("序号=00A1B2C3 电压=3.61 状态=正常 ABCDEFGHIJKLMNOPQRSTUVWXYZABCD")));
}

BENCHMARK(AsciiAnswer);
BENCHMARK(GbkAnswer);

}  // namespace

BENCHMARK_MAIN();
