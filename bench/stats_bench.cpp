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
#include "port/WindowPort.h"

namespace {

using namespace skeldra;

// Just enough of a window for the statistics: box texts and check states.
class BenchWindow : public WindowPort {
public:
    std::map<Box, std::string> texts;
    std::array<bool, choiceCount> checked{};
    int64_t pumps = 0;

    int32_t IntegerValue(Box box) override { return static_cast<int32_t>(std::strtol(texts[box].c_str(), nullptr, 10)); }
    long double ExtendedValue(Box box) override { return std::strtold(texts[box].c_str(), nullptr); }
    std::string boxText(Box box) override { return texts[box]; }
    void setBoxText(Box box, const std::string& text) override { texts[box] = text; }
    void setBoxVisible(Box, bool) override {}
    bool isChecked(Choice choice) override { return checked[static_cast<size_t>(choice)]; }
    void check(Choice choice) override
    {
        if (choice <= Choice::Real)
            for (Choice c : {Choice::UnsignedInteger, Choice::SignedInteger, Choice::Real})
                checked[static_cast<size_t>(c)] = false;
        checked[static_cast<size_t>(choice)] = true;
    }
    void setBandGroupHeight(int) override {}
    void appendLog(const std::string& line) override { lastLine = line; }
    void clearLog() override {}
    void showMessage(const std::string& text) override { throw std::runtime_error(text); }
    void showError(const std::string& text) override { throw std::runtime_error(text); }
    void beep() override {}
    void showInputFilenameLabel(const std::string&) override {}
    void setProgressMaximum(int64_t) override {}
    void setProgressPosition(int64_t) override {}
    void setProgressVisible(bool) override {}
    void setAbortVisible(bool) override {}
    // The longest time the window would have gone without answering.
    void processEvents() override
    {
        ++pumps;
        const auto now = std::chrono::steady_clock::now();
        longestGap = std::max(longestGap, now - lastPump);
        lastPump = now;
    }
    void startTiming() { lastPump = std::chrono::steady_clock::now(); }
    std::chrono::steady_clock::time_point lastPump;
    std::chrono::steady_clock::duration longestGap{};
    std::optional<std::string> askOpenFileName(const std::string&) override { return {}; }
    std::optional<std::string> askSaveFileName(const std::string&) override { return {}; }
    void setBusyPointer(bool) override {}
    void showPreview(const PreviewPicture&) override {}

    std::string lastLine;
};

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
                   bool listPoints = false)
{
    const std::string path = benchFile("skeldra_stats_bench.img");
    const int samples = 10000 / bytesPerSample;
    BenchWindow window;
    window.state.InputFilename = path;
    window.texts = {{Box::HeaderBytes, "0"},  {Box::NumSamples, std::to_string(samples)},
                    {Box::BitsPerSample, std::to_string(8 * bytesPerSample)},
                    {Box::StartLine, "1"},    {Box::EndLine, std::to_string(lines)},
                    {Box::StartSample, "1"},  {Box::EndSample, std::to_string(samples)},
                    {Box::BandNum, "1"},      {Box::NumBands, "1"},
                    {Box::NonDataValue, "0"}};
    window.check(Choice::UnsignedInteger);
    window.check(Choice::NoBands);
    window.checked[static_cast<size_t>(Choice::ReverseBytes)] = swap;
    window.checked[static_cast<size_t>(Choice::IgnoreNonDataValue)] = ignoreZero;
    window.checked[static_cast<size_t>(Choice::ListPoints)] = listPoints;
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

BENCHMARK(BM_Statistics8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics8BitIgnoringZero)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics16BitMostSignificantFirst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics32Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statistics8BitListing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
