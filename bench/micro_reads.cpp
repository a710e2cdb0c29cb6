// SPDX-License-Identifier: BSD-3-Clause
// The positioned reads of the preview: one sample at each of 500 x 500
// points spread over a 1 GB file in the page cache, through SampleReader
// (as the preview reads them) and through ByteSource alone; and whole rows
// read top down and bottom up, as the text and BMP conversions read them.
#include <benchmark/benchmark.h>

#include <vector>

#include "raster/FormatParameters.h"
#include "raster/SampleReader.h"
#include "support/BenchWindow.h"
#include "support/RandomFile.h"

namespace {

using namespace skeldra;
using skeldra::bench::BenchWindow;

constexpr int32_t samples = 23168, lines = 23168;  // 16-bit: 1.07 GB
constexpr int32_t points = 500;

std::string bigFile()
{
    return skeldra::bench::randomFile("skeldra-micro-reads.img", static_cast<uintmax_t>(samples) * lines * 2);
}

void setLayout(BenchWindow& window)
{
    window.state.InputFilename = bigFile();
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, std::to_string(samples));
    window.setBoxText(Box::BitsPerSample, "16");
    if (!ReadFormatParameters(window)) throw std::runtime_error("layout refused");
}

std::vector<int32_t> spread(int32_t count, int32_t extent)
{
    std::vector<int32_t> at(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) at[static_cast<size_t>(i)] = 1 + static_cast<int32_t>(int64_t{i} * extent / count);
    return at;
}

void BM_PreviewPointsThroughReader(benchmark::State& state)
{
    BenchWindow window;
    setLayout(window);
    const std::vector<int32_t> rows = spread(points, lines), columns = spread(points, samples);
    for (auto _ : state) {
        SampleReader reader(window);
        long double sum = 0;
        for (int32_t line : rows)
            for (int32_t sample : columns) sum += reader.ReadDataValue(line, 1, sample);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points * points);
}

void BM_PreviewPointsThroughByteSource(benchmark::State& state)
{
    const std::string path = bigFile();
    const std::vector<int32_t> rows = spread(points, lines), columns = spread(points, samples);
    for (auto _ : state) {
        ByteSource source(path);
        uint64_t sum = 0;
        for (int32_t line : rows)
            for (int32_t sample : columns)
                sum += *source.view((int64_t{line - 1} * samples + (sample - 1)) * 2, 2);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points * points);
}

// 2000 whole rows of 46 KB, in either direction.
void BM_Rows(benchmark::State& state)
{
    const bool upwards = state.range(0) == 1;
    const std::string path = bigFile();
    constexpr int32_t rowsRead = 2000;
    constexpr int64_t rowBytes = int64_t{samples} * 2;
    for (auto _ : state) {
        ByteSource source(path);
        uint64_t sum = 0;
        for (int32_t i = 0; i < rowsRead; ++i) {
            const int32_t row = upwards ? rowsRead - 1 - i : i;
            sum += source.view(row * rowBytes, static_cast<size_t>(rowBytes))[rowBytes - 1];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * rowsRead * rowBytes);
}

BENCHMARK(BM_PreviewPointsThroughReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewPointsThroughByteSource)->Unit(benchmark::kMillisecond);
// Argument 0: top down; 1: bottom up.
BENCHMARK(BM_Rows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
