// What judging one answer costs, as the runner judges every answer: the whole
// judge (pattern or mask, measured values, checksum), and its parts alone.
//
//   bench_answer_judge [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchFigures.h"
#include "platform/text/Gbk.h"
#include "tools/check/core/AnswerJudge.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/CheckPlan.h"

namespace {

// The answer rule of a command line's step, as the program resolves it.
AnswerRule RuleOf(std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", "/dev/null"});
    const ResolvedCheckPlan resolved = ResolveCheckPlan(ParseCheckCommand(args).options);
    return resolved.plan ? resolved.plan->steps.at(0).answer : AnswerRule();
}

void Judge(benchmark::State& state, const AnswerRule& rule, const ByteArray& answer) {
    for (auto _ : state) {
        AnswerJudge judge(rule);
        for (unsigned char byte : answer) {
            judge.Feed(byte);
        }
        benchmark::DoNotOptimize(judge.values());
        if (judge.verdict() != Verdict::Pass) {
            state.SkipWithError(("the answer does not pass: " + judge.reason()).c_str());
            return;
        }
    }
    state.SetLabel(std::to_string(answer.size()) + " bytes");
}

// 64 bytes: a text with a CRC-16/MODBUS as four hex digits, then CR LF.
void PatternTwoValuesCrc16(benchmark::State& state) {
    const AnswerRule rule = RuleOf(
        {"--expect-regex", "SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+) T=(?<temp>-?[0-9.]+) .*",
         "--measure", "vbat=3.0..4.2 V", "--measure", "temp=-20..60", "--capture", "sn",
         "--checksum", "CRC-16/MODBUS", "--checksum-ascii"});
    const std::string body = "SN=00A1B2C3 V=3.61 T=-12.5 FW=2.10.4 ST=OK ABCDEFGHIJKLMNO";
    ByteArray answer(body.begin(), body.end());
    const ByteArray crc = *rule.checksum->ChecksumFor(answer);
    answer.insert(answer.end(), crc.begin(), crc.end());
    answer.insert(answer.end(), {'\r', '\n'});
    Judge(state, rule, answer);
}

// A Modbus RTU answer of 64 bytes: 59 data bytes, two measured fields, its CRC.
void MaskTwoFieldsCrc16(benchmark::State& state) {
    std::string mask = "01 03 3C";
    ByteArray answer = {0x01, 0x03, 0x3C};
    for (int i = 0; i < 59; ++i) {
        mask += " ??";
        answer.push_back(static_cast<unsigned char>(i == 0 ? 0x0E : i == 1 ? 0x1A : i));
    }
    const AnswerRule rule = RuleOf({"--expect-mask", mask, "--checksum", "CRC-16/MODBUS", "--field",
                                    "v=3:2:u16be*0.001", "--field", "t=5:2:s16le*0.1", "--measure",
                                    "v=3.0..4.2 V", "--measure", "t=..100"});
    const ByteArray crc = *rule.checksum->ChecksumFor(answer);
    answer.insert(answer.end(), crc.begin(), crc.end());
    Judge(state, rule, answer);
}

// The window's comparison of 64 characters, for comparison.
void WindowComparison(benchmark::State& state) {
    const std::string text(64, 'A');
    Judge(state, RuleOf({"--expect", text}), ByteArray(text.begin(), text.end()));
}

// A pattern over GBK text: 8 Chinese characters in 64 bytes.
void PatternOverGbk(benchmark::State& state) {
    const std::string text =
        gbk::Text("序号=00A1B2C3 电压=3.61 状态=正常 ABCDEFGHIJKLMNOPQRSTUVWXYZABC") + "\n";
    Judge(state,
          RuleOf({"--expect-regex", "序号=(?<sn>[0-9A-F]{8}) 电压=(?<v>[0-9.]+) 状态=正常 [A-Z]+",
                  "--measure", "v=3..4.2"}),
          ByteArray(text.begin(), text.end()));
}

// The checksum's check alone, per algorithm and form, on 64 bytes.
void ChecksumOf64Bytes(benchmark::State& state, const char* name, bool ascii) {
    const ChecksumFrame frame(*FindChecksum(name).algorithm, std::nullopt, ascii);
    // Hex digit pairs, so that LRC-8 in its ascii form has a body it can read.
    ByteArray answer;
    for (size_t i = 0; answer.size() < 64 - frame.wireSize(); ++i) {
        answer.push_back(static_cast<unsigned char>("0123456789ABCDEF"[(i * 7) % 16]));
    }
    const ByteArray checksum = *frame.ChecksumFor(answer);
    answer.insert(answer.end(), checksum.begin(), checksum.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame.Check(answer));
    }
}

BENCHMARK(PatternTwoValuesCrc16);
BENCHMARK(MaskTwoFieldsCrc16);
BENCHMARK(WindowComparison);
BENCHMARK(PatternOverGbk);
BENCHMARK_CAPTURE(ChecksumOf64Bytes, crc16_modbus, "CRC-16/MODBUS", false);
BENCHMARK_CAPTURE(ChecksumOf64Bytes, crc32, "CRC-32", false);
BENCHMARK_CAPTURE(ChecksumOf64Bytes, lrc8_ascii, "LRC-8", true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("machine", MachineDescription());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
