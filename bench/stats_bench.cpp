// SPDX-License-Identifier: BSD-3-Clause
// Speed of the area statistics on 100 MB files in the page cache, through a
// window whose event pumps cost nothing, so that the figure is the scan's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "analysis/AreaStatistics.h"
#include "support/BenchWindow.h"

namespace {

using namespace skeldra;
using skeldra::bench::BenchWindow;


constexpr int64_t fileBytes = 100'000'000;

// A file of pseudo-random bytes in the temporary folder, made once.
std::string benchFile(const char* name)
{
    const auto path = std::filesystem::temp_directory_path() / name;
    std::error_code error;
    if (std::filesystem::file_size(path, error) == static_cast<uintmax_t>(fileBytes)) return path.string();
    std::vector<char> bytes(static_cast<size_t>(fileBytes));
    uint64_t state = 88172645463325252ull;
    for (char& b : bytes) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        b = static_cast<char>(state >> 56);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

void runStatistics(benchmark::State& state, int bytesPerSample, bool swap, bool ignoreZero, int lines = 10000,
                   bool listPoints = false, const char* clip = "0")
{
    const std::string path = benchFile("skeldra_stats_bench.img");
    const int samples = 10000 / bytesPerSample;
    BenchWindow window;
    window.state.InputFilename = path;
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, std::to_string(samples));
    window.setBoxText(Box::BitsPerSample, std::to_string(8 * bytesPerSample));
    window.setBoxText(Box::EndLine, std::to_string(lines));
    window.setBoxText(Box::EndSample, std::to_string(samples));
    window.setChecked(Choice::ReverseBytes, swap);
    window.setChecked(Choice::IgnoreNonDataValue, ignoreZero);
    window.setChecked(Choice::ListPoints, listPoints);
    window.setBoxText(Box::ClipPercent, clip);
    for (auto _ : state) {
        window.startTiming();
        ComputeAreaStatistics(window);
        benchmark::DoNotOptimize(window.lastLine);
    }
    state.SetBytesProcessed(state.iterations() * fileBytes / 10000 * lines);
    state.counters["longest_gap_ms"] = std::chrono::duration<double, std::milli>(window.longestGap).count();
    state.counters["pumps"] = static_cast<double>(window.pumps) / static_cast<double>(state.iterations());
}

void BM_Statistics8Bit(benchmark::State& state) { runStatistics(state, 1, false, false); }
void BM_Statistics8BitIgnoringZero(benchmark::State& state) { runStatistics(state, 1, false, true); }
void BM_Statistics16Bit(benchmark::State& state) { runStatistics(state, 2, false, false); }
void BM_Statistics16BitMostSignificantFirst(benchmark::State& state) { runStatistics(state, 2, true, true); }
void BM_Statistics32Bit(benchmark::State& state) { runStatistics(state, 4, false, false); }
// Listing formats one log line per point: 200 lines of 10000 points.
void BM_Statistics8BitListing(benchmark::State& state) { runStatistics(state, 1, false, false, 200, true); }

// The percentile stretch: one pass beside the extremes for 8 and 16 bits
// (at most 1.5 times the plain scan), two passes for 4-byte samples.
void BM_Statistics8BitClip(benchmark::State& state) { runStatistics(state, 1, false, false, 10000, false, "0.5"); }
void BM_Statistics16BitClip(benchmark::State& state) { runStatistics(state, 2, false, false, 10000, false, "0.5"); }
void BM_Statistics16BitMostSignificantFirstClip(benchmark::State& state)
{
    runStatistics(state, 2, true, true, 10000, false, "0.5");
}
void BM_Statistics32BitClip(benchmark::State& state) { runStatistics(state, 4, false, false, 10000, false, "0.5"); }

BENCHMARK(BM_Statistics8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics8BitClip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16BitClip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16BitMostSignificantFirstClip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics32BitClip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics8BitIgnoringZero)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16BitMostSignificantFirst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics32Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics8BitListing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
