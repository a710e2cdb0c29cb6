// SPDX-License-Identifier: BSD-3-Clause
// The gray mapping per sample: GrayLevel's formula in extended precision,
// the 256- and 65536-entry tables of 8- and 16-bit samples (filling and
// lookup), and the step table of real samples (making and lookup).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "output/GrayMapping.h"
#include "output/RealGrayLevels.h"

namespace {

using namespace skeldra;

constexpr size_t samples = 1 << 16;

long double gammaOf(const benchmark::State& state) { return state.range(0) == 1 ? 1.0L : 0.5L; }

template <typename T>
std::vector<T> randomSamples(T low, T high)
{
    std::mt19937_64 random(3);
    std::vector<T> values(samples);
    if constexpr (std::is_floating_point_v<T>) {
        std::uniform_real_distribution<T> d(low, high);
        for (auto& v : values) v = d(random);
    } else {
        std::uniform_int_distribution<int64_t> d(low, high);
        for (auto& v : values) v = static_cast<T>(d(random));
    }
    return values;
}

void BM_FormulaFloat(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-1000, 1000, gammaOf(state));
    const std::vector<float> values = randomSamples<float>(-1000, 1000);
    std::vector<uint8_t> levels(samples);
    for (auto _ : state) {
        for (size_t i = 0; i < samples; ++i) levels[i] = GrayLevel(mapping, values[i], false);
        benchmark::DoNotOptimize(levels.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}

void BM_StepTableFloat(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-1000, 1000, gammaOf(state));
    const RealGrayLevels<float> table(mapping);
    const std::vector<float> values = randomSamples<float>(-1000, 1000);
    std::vector<uint8_t> levels(samples);
    for (auto _ : state) {
        for (size_t i = 0; i < samples; ++i) levels[i] = table.level(values[i]);
        benchmark::DoNotOptimize(levels.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}

void BM_StepTableDouble(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-1000, 1000, gammaOf(state));
    const RealGrayLevels<double> table(mapping);
    const std::vector<double> values = randomSamples<double>(-1000, 1000);
    std::vector<uint8_t> levels(samples);
    for (auto _ : state) {
        for (size_t i = 0; i < samples; ++i) levels[i] = table.level(values[i]);
        benchmark::DoNotOptimize(levels.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}

void BM_MakeStepTableFloat(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-1000, 1000, gammaOf(state));
    for (auto _ : state) {
        RealGrayLevels<float> table(mapping);
        benchmark::DoNotOptimize(&table);
    }
}

// The 16-bit table: made once per conversion, then one lookup per sample.
void BM_Table16(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-32768, 32767, gammaOf(state));
    GrayTable table(mapping, NonDataTest{}, 2);
    const uint8_t* levels = table.levels({SampleKind::I16, true}, false);
    const std::vector<uint16_t> raw = randomSamples<uint16_t>(0, 65535);
    std::vector<uint8_t> out(samples);
    for (auto _ : state) {
        for (size_t i = 0; i < samples; ++i) out[i] = levels[raw[i]];
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}

void BM_FormulaInt16(benchmark::State& state)
{
    const GrayMapping mapping = MakeGrayMapping(-32768, 32767, gammaOf(state));
    const std::vector<int16_t> values = randomSamples<int16_t>(-32768, 32767);
    std::vector<uint8_t> out(samples);
    for (auto _ : state) {
        for (size_t i = 0; i < samples; ++i) out[i] = GrayLevel(mapping, values[i], false);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}

void BM_FillTable(benchmark::State& state, SampleKind kind)
{
    const GrayMapping mapping = MakeGrayMapping(0, 65535, 0.5L);
    for (auto _ : state) {
        GrayTable table(mapping, NonDataTest{}, kind == SampleKind::U8 ? 1 : 2);
        benchmark::DoNotOptimize(table.levels({kind, false}, false));
    }
}

// Argument 1: gamma 1; argument 2: gamma 0.5.
BENCHMARK(BM_FormulaFloat)->Arg(1)->Arg(2);
BENCHMARK(BM_StepTableFloat)->Arg(1)->Arg(2);
BENCHMARK(BM_StepTableDouble)->Arg(1)->Arg(2);
BENCHMARK(BM_MakeStepTableFloat)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormulaInt16)->Arg(1)->Arg(2);
BENCHMARK(BM_Table16)->Arg(1)->Arg(2);
BENCHMARK_CAPTURE(BM_FillTable, u8, SampleKind::U8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FillTable, u16, SampleKind::U16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
