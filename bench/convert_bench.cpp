// SPDX-License-Identifier: BSD-3-Clause
// Speed of the BMP conversion of a 100 MB 8-bit file, and of a 500 x 500
// preview of a 1 GB file, both in the page cache, through a window whose
// event pumps cost nothing, so that the figures are the operations' own.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "output/FileConversion.h"
#include "output/Preview.h"
#include "support/BenchWindow.h"

namespace {

using namespace skeldra;
using skeldra::bench::BenchWindow;


std::filesystem::path benchFolder() { return std::filesystem::temp_directory_path() / "skeldra-convert-bench"; }

// A file of random bytes, made once and kept for later runs.
std::string randomFile(const std::string& name, int64_t bytes)
{
    std::filesystem::create_directories(benchFolder());
    const std::filesystem::path path = benchFolder() / name;
    std::error_code error;
    if (std::filesystem::file_size(path, error) == static_cast<uintmax_t>(bytes)) return path.string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 17);
    for (int64_t written = 0; written < bytes;) {
        for (auto& word : block) word = random();
        const int64_t n = std::min<int64_t>(bytes - written, static_cast<int64_t>(block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        written += n;
    }
    return path.string();
}

void setLayout(BenchWindow& window, const std::string& input, int samples, int lines)
{
    window.state.InputFilename = input;
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, std::to_string(samples));
    window.setBoxText(Box::EndLine, std::to_string(lines));
    window.setBoxText(Box::EndSample, std::to_string(samples));
    window.setBoxText(Box::MinData, "10");
    window.setBoxText(Box::MaxData, "240");
}

void BM_ConvertBmp8(benchmark::State& state, const char* gamma)
{
    constexpr int samples = 10000, lines = 10000;  // 100 MB
    BenchWindow window;
    setLayout(window, randomFile("convert-100MB.img", int64_t{samples} * lines), samples, lines);
    window.setBoxText(Box::Gamma, gamma);
    window.check(Choice::BMPOutput);
    window.saveDialogAnswer = (benchFolder() / "out.bmp").string();
    for (auto _ : state) ConvertFile(window);
    state.SetBytesProcessed(state.iterations() * int64_t{samples} * lines);
}
BENCHMARK_CAPTURE(BM_ConvertBmp8, gamma_1, "1")->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK_CAPTURE(BM_ConvertBmp8, gamma_0_5, "0.5")->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void BM_Preview500Of1GB(benchmark::State& state)
{
    constexpr int samples = 31623, lines = 31623;  // 1.0 GB
    BenchWindow window;
    setLayout(window, randomFile("preview-1GB.img", int64_t{samples} * lines), samples, lines);
    window.setBoxText(Box::Gamma, "0.5");
    if (state.range(0) != 0) window.check(Choice::AutoStretchPreview);
    // Rows turned about a middle sample read each row in two parts.
    if (state.range(1) != 0) window.setBoxText(Box::OriginSample, "15000");
    for (auto _ : state) RenderPreview(window);
    if (!window.preview() || window.preview()->Width != 500) state.SkipWithError("the preview is not 500 pixels wide");
}
BENCHMARK(BM_Preview500Of1GB)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"auto", "origin"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
