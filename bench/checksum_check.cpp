// The check of an answer's checksum, as the runner makes it on every answer:
// a 64-byte frame, its last bytes the checksum, per algorithm and form.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchFigures.h"
#include "tools/check/core/ChecksumFrame.h"

namespace {

void ChecksumCheckOf64Bytes(benchmark::State& state, const char* name, bool ascii) {
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
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.size()));
}

BENCHMARK_CAPTURE(ChecksumCheckOf64Bytes, crc16_modbus, "CRC-16/MODBUS", false);
BENCHMARK_CAPTURE(ChecksumCheckOf64Bytes, crc16_xmodem, "CRC-16/XMODEM", false);
BENCHMARK_CAPTURE(ChecksumCheckOf64Bytes, crc32, "CRC-32", false);
BENCHMARK_CAPTURE(ChecksumCheckOf64Bytes, crc16_modbus_ascii, "CRC-16/MODBUS", true);
BENCHMARK_CAPTURE(ChecksumCheckOf64Bytes, lrc8_ascii, "LRC-8", true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("machine", MachineDescription());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
