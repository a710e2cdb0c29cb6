// SPDX-License-Identifier: BSD-3-Clause
// Percentile stretch: the radix search over raw runs against a plain sort of
// the same values, for every sample type, and the Histogram operation with
// "Clip %" above 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "analysis/Percentiles.h"
#include "base/Errors.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;

// The definition, by counting: the smallest value with at least p % of the
// points at or below it, the largest with at least p % at or above it.
PercentileValues byDefinition(std::vector<long double> data, long double percent)
{
    std::sort(data.begin(), data.end());
    const long double need = data.size() * percent / 100;
    PercentileValues found{data.front(), data.back(), static_cast<int64_t>(data.size())};
    for (size_t i = 0; i < data.size(); ++i)
        if (static_cast<long double>(i + 1) >= need) {
            found.low = data[i];
            break;
        }
    for (size_t i = data.size(); i-- > 0;)
        if (static_cast<long double>(data.size() - i) >= need) {
            found.high = data[i];
            break;
        }
    return found;
}

template <typename T>
struct Samples {
    std::vector<uint8_t> bytes;
    std::vector<long double> data;  // the data points, in file order
};

// Values drawn from a narrow range, so that ranks fall inside runs of equal
// keys, and wide ones across the whole type.
template <typename T>
Samples<T> randomSamples(size_t count, bool swap, std::optional<T> nonData, unsigned seed)
{
    std::mt19937_64 random(seed);
    Samples<T> s;
    for (size_t i = 0; i < count; ++i) {
        T v;
        if constexpr (std::is_floating_point_v<T>) {
            const int pick = static_cast<int>(random() % 10);
            v = pick == 0   ? std::numeric_limits<T>::quiet_NaN()
              : pick == 1   ? static_cast<T>(-0.0)
              : pick < 5    ? static_cast<T>(static_cast<int>(random() % 7) - 3)
                            : static_cast<T>(std::ldexp(static_cast<double>(random() % 2000) - 1000.0,
                                                        static_cast<int>(random() % 200) - 100));
        } else {
            const uint64_t bits = random();
            v = (random() % 2) ? static_cast<T>(bits % 9) : static_cast<T>(bits);
        }
        if (nonData && random() % 8 == 0) v = *nonData;
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        if (swap) std::reverse(raw, raw + sizeof(T));
        s.bytes.insert(s.bytes.end(), raw, raw + sizeof(T));
        const bool excluded = (nonData && v == *nonData) || v != v;
        if (!excluded) s.data.push_back(static_cast<long double>(v));
    }
    return s;
}

// Feeds the samples in runs of uneven length, as a scan between pumps would.
template <typename T>
std::optional<PercentileValues> searched(const Samples<T>& s, SampleKind kind, bool swap,
                                         std::optional<long double> nonData, long double percent, int* passes)
{
    PercentileSearch search(percent);
    const int32_t total = static_cast<int32_t>(s.bytes.size() / sizeof(T));
    *passes = 0;
    do {
        ++*passes;
        for (int32_t first = 0, length = 1; first < total; first += length, length = length * 3 % 97 + 1) {
            const RawRun run{s.bytes.data() + first * sizeof(T), sizeof(T), std::min(length, total - first)};
            search.addRun(run, {kind, swap}, nonData);
        }
    } while (search.endPass());
    return search.result();
}

template <typename T>
void checkKind(SampleKind kind, int expectedPasses)
{
    for (const bool swap : {false, true})
        for (const std::optional<T> nonData : {std::optional<T>{}, std::optional<T>{T(1)}})
            for (const long double percent : {0.0L, 0.5L, 2.0L, 7.0L, 33.3L, 50.0L, 100.0L}) {
                SCOPED_TRACE(::testing::Message() << "swap " << swap << " nonData " << nonData.has_value()
                                                  << " percent " << static_cast<double>(percent));
                const auto s = randomSamples<T>(3001, swap, nonData, 7 + static_cast<unsigned>(percent));
                int passes = 0;
                const std::optional<long double> form =
                    nonData ? std::optional<long double>(*nonData) : std::nullopt;
                const auto found = searched(s, kind, swap, form, percent, &passes);
                ASSERT_TRUE(found);
                const PercentileValues expected = byDefinition(s.data, percent);
                EXPECT_EQ(found->dataPoints, static_cast<int64_t>(s.data.size()));
                EXPECT_EQ(found->low, expected.low);
                EXPECT_EQ(found->high, expected.high);
                EXPECT_EQ(passes, expectedPasses);
                const auto inMemory = percentilesOf(s.data, percent);
                ASSERT_TRUE(inMemory);
                EXPECT_EQ(inMemory->low, expected.low);
                EXPECT_EQ(inMemory->high, expected.high);
            }
}

TEST(PercentileSearch, AgreesWithTheDefinitionForEverySampleType)
{
    checkKind<uint8_t>(SampleKind::U8, 1);
    checkKind<uint16_t>(SampleKind::U16, 1);
    checkKind<int16_t>(SampleKind::I16, 1);
    checkKind<uint32_t>(SampleKind::U32, 2);
    checkKind<int32_t>(SampleKind::I32, 2);
    checkKind<float>(SampleKind::F32, 2);
    checkKind<double>(SampleKind::F64, 4);
}

TEST(PercentileSearch, RanksAndRefusals)
{
    struct Row {
        int64_t count;
        long double percent;
        int64_t rank;
    };
    for (const Row& r : {Row{100, 0, 1}, Row{100, 7, 7}, Row{100, 7.5L, 8}, Row{1000, 0.5L, 5},
                         Row{1000, 0.1L, 1}, Row{3, 50, 2}, Row{1, 100, 1}, Row{5, 100, 5}})
        EXPECT_EQ(lowPercentileRank(r.count, r.percent), r.rank) << r.count << " " << static_cast<double>(r.percent);
    EXPECT_THROW(checkedClipPercent(-0.5L), Error);
    EXPECT_THROW(checkedClipPercent(50.5L), Error);
    EXPECT_THROW(checkedClipPercent(std::numeric_limits<long double>::quiet_NaN()), Error);
}

TEST(PercentileSearch, NoDataAndMixedTypesGiveNoValues)
{
    const uint8_t bytes[4] = {1, 2, 3, 4};
    PercentileSearch empty(1);
    EXPECT_FALSE(empty.endPass());
    EXPECT_FALSE(empty.result());

    PercentileSearch mixed(1);
    mixed.addRun({bytes, 1, 4}, {SampleKind::U8, false}, std::nullopt);
    mixed.addRun({bytes, 2, 2}, {SampleKind::U16, false}, std::nullopt);
    EXPECT_FALSE(mixed.endPass());
    EXPECT_FALSE(mixed.result());
}

// The operation: the percentiles go into the boxes, the extremes are still logged.
TEST(HistogramClip, LogsBothAndWritesThePercentilesIntoTheBoxes)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    std::vector<uint8_t> bytes(200);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 100 + 1);  // 1..100 twice
    bytes[0] = 0;  // non-data
    window.state.InputFilename = dir.write("Test.IMG", bytes);
    for (auto [box, text] : {std::pair{Box::HeaderBytes, "0"}, {Box::NumSamples, "20"}, {Box::EndLine, "10"},
                             {Box::EndSample, "20"}, {Box::ClipPercent, "5"}})
        window.setBoxText(box, text);
    window.setChecked(Choice::IgnoreNonDataValue, true);
    window.events.clear();
    main.Histogram_ButtonClick();
    // 199 data points; 5 % of them is 9.95, so ranks 10 from each end.
    const std::vector<std::string> expected = {
        "Min data: 1 at (6, 1)   Max data: 100  at (5, 20)",
        "1 points with Non-data value: 0 ",
        "Clip 5 %:  Min data: 6   Max data: 96",
        "",
    };
    EXPECT_EQ(window.eventTexts(Event::Kind::Log), expected);
    EXPECT_EQ(window.boxText(Box::MinData), "6");
    EXPECT_EQ(window.boxText(Box::MaxData), "96");
}

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// With a clip, the extremes of 8- and 16-bit samples come from the counting
// loop: they and their first positions must be those of the plain scan.
TEST(HistogramClip, ReportsTheExtremesOfThePlainScan)
{
    struct Row {
        const char* bits;
        std::vector<Choice> choices;
    };
    for (const Row& row : {Row{"8", {}}, Row{"16", {Choice::ReverseBytes}}, Row{"16", {Choice::SignedInteger}}}) {
        TempDir dir;
        std::mt19937 random(5);
        std::vector<uint8_t> bytes(2 * 300 * 40);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() % 7 == 0 ? 3 : random());
        std::vector<std::string> logs[2];
        for (int clipped = 0; clipped < 2; ++clipped) {
            ScriptedWindow window;
            window.pumpEverySample = false;  // whole runs, as in the window
            MainWindow main(window);
            main.FormCreate();
            window.state.InputFilename = dir.write("Test.IMG", bytes);
            for (auto [box, text] : {std::pair{Box::HeaderBytes, "0"}, {Box::NumSamples, "300"},
                                     {Box::EndLine, row.bits[0] == '8' ? "80" : "40"}, {Box::EndSample, "300"},
                                     {Box::NonDataValue, "3"}, {Box::ClipPercent, clipped ? "1" : "0"}})
                window.setBoxText(box, text);
            window.setBoxText(Box::BitsPerSample, row.bits);
            for (Choice choice : row.choices) window.setChecked(choice, true);
            window.setChecked(Choice::IgnoreNonDataValue, true);
            window.events.clear();
            main.Histogram_ButtonClick();
            logs[clipped] = window.eventTexts(Event::Kind::Log);
        }
        ASSERT_EQ(logs[1].size(), logs[0].size() + 1) << row.bits;
        EXPECT_EQ(logs[1][0], logs[0][0]) << row.bits;  // extremes and their positions
        EXPECT_EQ(logs[1][1], logs[0][1]) << row.bits;  // the non-data count
    }
}

}  // namespace
}  // namespace skeldra
