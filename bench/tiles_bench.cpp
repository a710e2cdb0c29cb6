// SPDX-License-Identifier: BSD-3-Clause
// A band of about 1 GB stored in tiles against the same band stored in
// lines (BSQ): the conversion to BMP (written to /dev/null) and the area
// statistics of the whole band, both files in the page cache, through a
// window whose event pumps cost nothing. The goal: the tiled band within 1.5 times the time of the
// band in lines. 16-bit samples, 16100 x 31100, tiles of 128 x 128 as ISIS
// writes them (the right and bottom tiles partly padding).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/AreaStatistics.h"
#include "output/FileConversion.h"
#include "support/BenchWindow.h"

namespace {

using namespace skeldra;
using skeldra::bench::BenchWindow;

constexpr int32_t samples = 16100, lines = 31100, tile = 128;

std::filesystem::path benchFolder() { return std::filesystem::temp_directory_path() / "skeldra-tiles-bench"; }

uint16_t valueAt(int64_t line, int64_t sample)
{
    return static_cast<uint16_t>(((line * 2654435761u) ^ (sample * 40503u)) >> 7);
}

// Made once and kept for later runs; the padding of the edge tiles is 0.
std::string bandFile(bool tiled)
{
    std::filesystem::create_directories(benchFolder());
    const std::filesystem::path path = benchFolder() / (tiled ? "band-tiled.cub" : "band-lines.img");
    const int64_t across = tiled ? (samples + tile - 1) / tile * tile : samples;
    const int64_t down = tiled ? (lines + tile - 1) / tile * tile : lines;
    std::error_code error;
    if (std::filesystem::file_size(path, error) == static_cast<uintmax_t>(across * down * 2)) return path.string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint16_t> block(static_cast<size_t>(tiled ? across * tile : samples));
    const auto value = [](int64_t l, int64_t s) -> uint16_t { return l < lines && s < samples ? valueAt(l, s) : 0; };
    if (!tiled) {
        for (int64_t l = 0; l < lines; ++l) {
            for (int64_t s = 0; s < samples; ++s) block[static_cast<size_t>(s)] = value(l, s);
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
        }
        return path.string();
    }
    for (int64_t row = 0; row < down; row += tile)
        for (int64_t column = 0; column < across; column += tile) {
            for (int64_t l = 0; l < tile; ++l)
                for (int64_t s = 0; s < tile; ++s)
                    block[static_cast<size_t>(l * tile + s)] = value(row + l, column + s);
            out.write(reinterpret_cast<const char*>(block.data()), tile * tile * 2);
        }
    return path.string();
}

void setLayout(BenchWindow& window, bool tiled)
{
    window.state.InputFilename = bandFile(tiled);
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::BitsPerSample, "16");
    window.setBoxText(Box::NumSamples, std::to_string(samples));
    window.setBoxText(Box::NumSingleImageLines, std::to_string(lines));
    window.setBoxText(Box::EndLine, std::to_string(lines));
    window.setBoxText(Box::EndSample, std::to_string(samples));
    window.setBoxText(Box::MinData, "1000");
    window.setBoxText(Box::MaxData, "60000");
    window.check(Choice::BSQ);
    if (tiled) {
        window.setBoxText(Box::TileSamples, std::to_string(tile));
        window.setBoxText(Box::TileLines, std::to_string(tile));
    }
}

void BM_ConvertBmp(benchmark::State& state)
{
    BenchWindow window;
    setLayout(window, state.range(0) != 0);
    window.check(Choice::BMPOutput);
    // Written to a device, so that the figures are the reading's and the
    // mapping's, not the page cache's writing back of 500 MB.
    window.saveDialogAnswer = "/dev/null";
    for (auto _ : state) ConvertFile(window);
    state.SetBytesProcessed(state.iterations() * int64_t{samples} * lines * 2);
}
BENCHMARK(BM_ConvertBmp)->ArgName("tiled")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(8)->UseRealTime();

void BM_AreaStatistics(benchmark::State& state)
{
    BenchWindow window;
    setLayout(window, state.range(0) != 0);
    for (auto _ : state) ComputeAreaStatistics(window);
    state.SetBytesProcessed(state.iterations() * int64_t{samples} * lines * 2);
}
BENCHMARK(BM_AreaStatistics)->ArgName("tiled")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
