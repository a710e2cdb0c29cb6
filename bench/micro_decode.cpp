// SPDX-License-Identifier: BSD-3-Clause
// Decoding of each sample type into extended values, a run of 64K samples
// in memory: the per-sample switch (decodeSample) against the run decoder of
// the reader (SampleReader::decodeRun's loop) and a loop typed at compile time.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "raster/SampleDecode.h"

namespace {

using namespace skeldra;

constexpr int32_t runSamples = 1 << 16;

std::vector<uint8_t> randomBytes(size_t n)
{
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

int32_t widthOf(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return 1;
    case SampleKind::U16:
    case SampleKind::I16: return 2;
    case SampleKind::F64: return 8;
    default: return 4;
    }
}

void BM_DecodeSwitch(benchmark::State& state, SampleKind kind, bool msb)
{
    const int32_t width = widthOf(kind);
    const std::vector<uint8_t> bytes = randomBytes(static_cast<size_t>(runSamples * width));
    std::vector<long double> values(runSamples);
    const SampleFormat format{kind, msb};
    for (auto _ : state) {
        for (int32_t i = 0; i < runSamples; ++i) values[static_cast<size_t>(i)] = decodeSample(bytes.data() + i * width, format);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * runSamples);
}

template <typename T, bool Swap>
void BM_DecodeTyped(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = randomBytes(runSamples * sizeof(T));
    std::vector<long double> values(runSamples);
    for (auto _ : state) {
        for (int32_t i = 0; i < runSamples; ++i)
            values[static_cast<size_t>(i)] = loadSample<T>(bytes.data() + i * sizeof(T), Swap);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * runSamples);
}

BENCHMARK_CAPTURE(BM_DecodeSwitch, u8, SampleKind::U8, false);
BENCHMARK_CAPTURE(BM_DecodeSwitch, u16, SampleKind::U16, false);
BENCHMARK_CAPTURE(BM_DecodeSwitch, i16_msb, SampleKind::I16, true);
BENCHMARK_CAPTURE(BM_DecodeSwitch, u32, SampleKind::U32, false);
BENCHMARK_CAPTURE(BM_DecodeSwitch, i32_msb, SampleKind::I32, true);
BENCHMARK_CAPTURE(BM_DecodeSwitch, f32_msb, SampleKind::F32, true);
BENCHMARK_CAPTURE(BM_DecodeSwitch, f64, SampleKind::F64, false);
BENCHMARK(BM_DecodeTyped<uint8_t, false>);
BENCHMARK(BM_DecodeTyped<int16_t, true>);
BENCHMARK(BM_DecodeTyped<float, true>);
BENCHMARK(BM_DecodeTyped<double, false>);

}  // namespace

BENCHMARK_MAIN();
