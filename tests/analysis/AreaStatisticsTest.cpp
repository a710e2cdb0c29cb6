// SPDX-License-Identifier: BSD-3-Clause
// The "Histogram" operation: extremes with first positions, non-data count,
// the log lines and the Min data / Max data boxes, abort and errors.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "analysis/AreaStatistics.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using BoxTexts = std::vector<std::pair<Box, std::string>>;

template <typename T>
Bytes samplesOf(std::initializer_list<T> values, bool mostSignificantFirst = false)
{
    Bytes bytes;
    for (T v : values) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        if (mostSignificantFirst) std::reverse(raw, raw + sizeof(T));
        bytes.insert(bytes.end(), raw, raw + sizeof(T));
    }
    return bytes;
}

constexpr float fNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float fSignallingNaN = std::numeric_limits<float>::signaling_NaN();
constexpr float fInf = std::numeric_limits<float>::infinity();
constexpr double dNaN = std::numeric_limits<double>::quiet_NaN();

struct Scan {
    TempDir dir;
    ScriptedWindow window;
    MainWindow main{window};

    Scan(const Bytes& bytes, const BoxTexts& boxes, const std::vector<Choice>& choices)
    {
        main.FormCreate();
        window.state.InputFilename = dir.write("Test.IMG", bytes);
        window.setBoxText(Box::HeaderBytes, "0");
        for (const auto& [box, text] : boxes) window.setBoxText(box, text);
        for (Choice choice : choices) window.setChecked(choice, true);
        window.events.clear();
    }

    Lines run()
    {
        main.Histogram_ButtonClick();
        return window.eventTexts(Event::Kind::Log);
    }
};

struct StatsCase {
    const char* name;
    Bytes bytes;
    BoxTexts boxes;
    std::vector<Choice> choices;
    Lines log;
    std::string minBox = "0";  // the boxes' start texts: unchanged
    std::string maxBox = "0";
    Lines errors = {};
};

void PrintTo(const StatsCase& c, std::ostream* out) { *out << c.name; }

class AreaStatistics : public ::testing::TestWithParam<StatsCase> {};

TEST_P(AreaStatistics, LogsTheSummaryAndFillsTheBoxes)
{
    const StatsCase& c = GetParam();
    Scan scan(c.bytes, c.boxes, c.choices);
    EXPECT_EQ(scan.run(), c.log);
    EXPECT_EQ(scan.window.boxText(Box::MinData), c.minBox);
    EXPECT_EQ(scan.window.boxText(Box::MaxData), c.maxBox);
    EXPECT_EQ(scan.window.errors(), c.errors);
    EXPECT_FALSE(scan.window.progressVisible());
    EXPECT_FALSE(scan.window.abortVisible());
}

const BoxTexts twoByTwo = {{Box::NumSamples, "2"}, {Box::EndLine, "2"}, {Box::EndSample, "2"}};
const Bytes threeByThree = {5, 1, 9, 1, 9, 5, 9, 1, 5};

BoxTexts with(BoxTexts boxes, const BoxTexts& more)
{
    boxes.insert(boxes.end(), more.begin(), more.end());
    return boxes;
}

BoxTexts oneLine(int samples, const char* bits)
{
    return {{Box::NumSamples, std::to_string(samples)}, {Box::BitsPerSample, bits}, {Box::EndLine, "1"},
            {Box::EndSample, std::to_string(samples)}};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AreaStatistics,
    ::testing::Values(
        StatsCase{"listing_with_non_data_zero", {0, 7, 7, 3}, with(twoByTwo, {{Box::NonDataValue, "0"}}),
                  {Choice::ListPoints, Choice::IgnoreNonDataValue},
                  {"Line: 1  Sample: 1   Data: 0", "Line: 1  Sample: 2   Data: 7", "Line: 2  Sample: 1   Data: 7",
                   "Line: 2  Sample: 2   Data: 3", "", "Min data: 3 at (2, 2)   Max data: 7  at (1, 2)",
                   "1 points with Non-data value: 0 ", ""},
                  "3", "7"},
        StatsCase{"single_point", threeByThree,
                  {{Box::NumSamples, "3"}, {Box::StartLine, "2"}, {Box::EndLine, "2"}, {Box::StartSample, "3"},
                   {Box::EndSample, "3"}},
                  {}, {"Min data: 5 at (2, 3)   Max data: 5  at (2, 3)", ""}, "5", "5"},
        StatsCase{"first_occurrences_in_line_then_sample_order", threeByThree,
                  {{Box::NumSamples, "3"}, {Box::EndLine, "3"}, {Box::EndSample, "3"}}, {},
                  {"Min data: 1 at (1, 2)   Max data: 9  at (1, 3)", ""}, "1", "9"},
        StatsCase{"all_equal_reports_the_start", {0, 0, 0, 0, 4, 4, 0, 4, 4},
                  {{Box::NumSamples, "3"}, {Box::StartLine, "2"}, {Box::EndLine, "3"}, {Box::StartSample, "2"},
                   {Box::EndSample, "3"}},
                  {}, {"Min data: 4 at (2, 2)   Max data: 4  at (2, 2)", ""}, "4", "4"},
        StatsCase{"bil_band_two", {1, 2, 50, 60, 3, 4, 40, 70},
                  with(twoByTwo, {{Box::NumBands, "2"}, {Box::BandNum, "2"}}), {Choice::BIL},
                  {"Reading band 2 only", "Min data: 40 at (2, 1)   Max data: 70  at (2, 2)", ""}, "40", "70"},
        StatsCase{"signed_16_most_significant_first", samplesOf<int16_t>({-5, 300, -32768, 32767}, true),
                  oneLine(4, "16"), {Choice::SignedInteger, Choice::ReverseBytes},
                  {"Min data: -32768 at (1, 3)   Max data: 32767  at (1, 4)", ""}, "-32768", "32767"},
        StatsCase{"real_4_byte", samplesOf<float>({1.5f, -0.25f, 1.5f}), oneLine(3, "32"), {Choice::Real},
                  {"Min data: -2.5000000E-01 at (1, 2)   Max data: 1.5000000E+00  at (1, 1)", ""},
                  "-2.5000000E-01", "1.5000000E+00"},
        StatsCase{"real_8_byte_non_data_exact_in_8_bytes", samplesOf<double>({0.1, 0.25, 0.1, -2, 0.1f}),
                  with(oneLine(5, "64"), {{Box::NonDataValue, "0.1"}}), {Choice::IgnoreNonDataValue},
                  {"Min data: -2.000000000000000E+00 at (1, 4)   Max data: 2.500000000000000E-01  at (1, 2)",
                   "2 points with Non-data value: 1.000000000000000E-01", ""},
                  "-2.000000000000000E+00", "2.500000000000000E-01"},
        StatsCase{"real_4_byte_non_data_rounded_to_4_bytes", samplesOf<float>({0.1f, 0.5f, 0.1f}),
                  with(oneLine(3, "32"), {{Box::NonDataValue, "0.1"}}), {Choice::Real, Choice::IgnoreNonDataValue},
                  {"Min data: 5.0000000E-01 at (1, 2)   Max data: 5.0000000E-01  at (1, 2)",
                   "2 points with Non-data value: 1.0000000E-01", ""},
                  "5.0000000E-01", "5.0000000E-01"},
        StatsCase{"non_data_beyond_4_byte_range_counts_zeros", {0, 5, 0, 9},
                  with(oneLine(4, "8"), {{Box::NonDataValue, "1E+300"}}), {Choice::IgnoreNonDataValue},
                  {"Min data: 5 at (1, 2)   Max data: 9  at (1, 4)",
                   "2 points with Non-data value: 1.00000000000000E+300 ", ""},
                  "5", "9"},
        StatsCase{"integer_32_compared_with_the_4_byte_form", samplesOf<uint32_t>({16777217, 16777216, 5}),
                  with(oneLine(3, "32"), {{Box::NonDataValue, "16777217"}}), {Choice::IgnoreNonDataValue},
                  {"Min data: 5 at (1, 3)   Max data: 16777217  at (1, 1)",
                   "1 points with Non-data value: 16777217 ", ""},
                  "5", "16777217"},
        StatsCase{"fractional_non_data_matches_no_integer", {0, 1, 2},
                  with(oneLine(3, "8"), {{Box::NonDataValue, "0.5"}}), {Choice::IgnoreNonDataValue},
                  {"Min data: 0 at (1, 1)   Max data: 2  at (1, 3)", "0 points with Non-data value: 0 ", ""}, "0",
                  "2"},
        StatsCase{"nan_left_out_and_infinities_are_data", samplesOf<float>({fNaN, fSignallingNaN, fInf, -fInf, 2}),
                  oneLine(5, "32"), {Choice::Real, Choice::ListPoints},
                  {"Line: 1  Sample: 1   Data: NAN", "Line: 1  Sample: 2   Data: NAN",
                   "Line: 1  Sample: 3   Data: INF", "Line: 1  Sample: 4   Data: -INF",
                   "Line: 1  Sample: 5   Data: 2.0000000E+00", "",
                   "Min data: -INF at (1, 4)   Max data: INF  at (1, 3)", ""},
                  "-INF", "INF"},
        StatsCase{"infinity_alone_is_minimum_and_maximum", samplesOf<float>({fNaN, fInf, fInf}), oneLine(3, "32"),
                  {Choice::Real}, {"Min data: INF at (1, 2)   Max data: INF  at (1, 2)", ""}, "INF", "INF"},
        StatsCase{"only_nan", samplesOf<double>({dNaN, dNaN}), oneLine(2, "64"), {},
                  {"No data point in the area: all 2 points read are not a number", ""}},
        StatsCase{"only_non_data", {0, 0, 0, 0}, with(twoByTwo, {{Box::NonDataValue, "0"}}),
                  {Choice::IgnoreNonDataValue},
                  {"No data point in the area: all 4 points read have the non-data value",
                   "4 points with Non-data value: 0 ", ""}},
        StatsCase{"non_data_and_nan", samplesOf<double>({dNaN, 0}), oneLine(2, "64"), {Choice::IgnoreNonDataValue},
                  {"No data point in the area: of 2 points read, 1 have the non-data value and 1 are not a number",
                   "1 points with Non-data value: 0.000000000000000E+00", ""}},
        StatsCase{"empty_area_by_samples", {1, 2, 3, 4}, with(twoByTwo, {{Box::EndSample, "0"}}), {},
                  {"No data point in the area: the area is empty", ""}},
        StatsCase{"empty_area_by_lines", {1, 2, 3, 4},
                  with(twoByTwo, {{Box::StartLine, "3"}, {Box::EndLine, "2"}}), {Choice::ListPoints},
                  {"", "No data point in the area: the area is empty", ""}},
        StatsCase{"negative_progress_range", {1, 2, 3, 4},
                  with(twoByTwo, {{Box::StartLine, "5"}, {Box::EndLine, "3"}}), {Choice::BIL},
                  {"Reading band 1 only"}, "0", "0", {"TProgressBar property out of range."}},
        StatsCase{"read_error_after_listed_points", {1, 2, 3}, twoByTwo, {Choice::ListPoints},
                  {"Line: 1  Sample: 1   Data: 1", "Line: 1  Sample: 2   Data: 2", "Line: 2  Sample: 1   Data: 3"},
                  "0", "0", {"Read beyond end of file."}},
        StatsCase{"position_before_the_file", {1, 2, 3, 4}, with(twoByTwo, {{Box::StartLine, "0"}}), {}, {},
                  "0", "0", {"I/O error 131."}},
        StatsCase{"unsupported_bits_logs_nothing", {1, 2, 3, 4}, with(twoByTwo, {{Box::BitsPerSample, "12"}}), {},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AreaStatisticsProtocol, ProgressStepsOncePerLine)
{
    Scan scan({1, 2, 3, 4, 5, 6}, {{Box::NumSamples, "2"}, {Box::EndLine, "3"}, {Box::EndSample, "2"}}, {});
    scan.run();
    EXPECT_EQ(scan.window.eventTexts(Event::Kind::ProgressMax), Lines{"3"});
    EXPECT_EQ(scan.window.eventTexts(Event::Kind::ProgressPosition), (Lines{"0", "0", "1", "2"}));
    EXPECT_EQ(scan.window.eventTexts(Event::Kind::ProgressVisible), (Lines{"shown", "hidden"}));
    EXPECT_EQ(scan.window.pumps(), 6);
}

TEST(AreaStatisticsProtocol, AbortAtASampleSummarisesThePointsRead)
{
    Bytes bytes;
    for (uint8_t v = 1; v <= 12; ++v) bytes.push_back(v);
    const BoxTexts area = {{Box::NumSamples, "4"}, {Box::EndLine, "3"}, {Box::EndSample, "4"}};
    Scan scan(bytes, area, {Choice::ListPoints});
    scan.window.atPump(6, [&] { scan.main.Abort_ButtonClick(); });
    const Lines log = scan.run();
    const Lines expected = {"Line: 1  Sample: 1   Data: 1", "Line: 1  Sample: 2   Data: 2",
                            "Line: 1  Sample: 3   Data: 3", "Line: 1  Sample: 4   Data: 4",
                            "Line: 2  Sample: 1   Data: 5", "Line: 2  Sample: 2   Data: 6",
                            "Processing aborted...",      "",
                            "Min data: 1 at (1, 1)   Max data: 6  at (2, 2)", ""};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(scan.window.pumps(), 6);
    EXPECT_EQ(scan.window.boxText(Box::MaxData), "6");

    // The next scan clears the request and runs in full.
    scan.window.events.clear();
    scan.window.setChecked(Choice::ListPoints, false);
    EXPECT_EQ(scan.run(), (Lines{"Min data: 1 at (1, 1)   Max data: 12  at (3, 4)", ""}));
}

TEST(AreaStatisticsProtocol, TickingIgnoreDuringTheScanCountsZerosFromThenOn)
{
    // Made with the box clear, both forms are 0.
    Scan scan({0, 5, 0, 0, 7, 0}, oneLine(6, "8"), {});
    scan.window.atPump(2, [&] { scan.window.setChecked(Choice::IgnoreNonDataValue, true); });
    EXPECT_EQ(scan.run(), (Lines{"Min data: 0 at (1, 1)   Max data: 7  at (1, 5)",
                                 "3 points with Non-data value: 0 ", ""}));
}

TEST(AreaStatisticsProtocol, ChangingTheDataTypeDuringTheScanAppliesFromTheNextPoint)
{
    // 0x0102 then 0xFFFF: unsigned 65535 while unsigned, -1 once signed.
    Scan scan(samplesOf<uint16_t>({258, 65535, 65535}), oneLine(3, "16"), {Choice::ListPoints});
    scan.window.atPump(2, [&] { scan.window.setChecked(Choice::SignedInteger, true); });
    const Lines log = scan.run();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[1], "Line: 1  Sample: 2   Data: 65535");
    EXPECT_EQ(log[2], "Line: 1  Sample: 3   Data: -1");
    EXPECT_EQ(log[4], "Min data: -1 at (1, 3)   Max data: 65535  at (1, 2)");
}

}  // namespace
}  // namespace skeldra
