// SPDX-License-Identifier: BSD-3-Clause
// "Preview": the size rule, the sample behind each pixel, plain and Auto
// mode with its summary lines, the busy pointer, and the refusals.
#include <gtest/gtest.h>

#include <limits>

#include "OutputHarness.h"
#include "output/PreviewGeometry.h"

namespace skeldra {
namespace {

using namespace testing;

struct SizeCase {
    int32_t areaWidth, areaHeight, maxDimension;
    int32_t width, height;
    long double step;
};

class SizeRule : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeRule, ReducesWithoutEnlarging)
{
    const SizeCase& c = GetParam();
    const PreviewSize size = previewSize(c.areaWidth, c.areaHeight, c.maxDimension);
    EXPECT_EQ(size.Width, c.width);
    EXPECT_EQ(size.Height, c.height);
    EXPECT_EQ(size.SampleStep, c.step);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeRule,
    ::testing::Values(SizeCase{100, 100, 500, 100, 100, 1},
                      SizeCase{1024, 100, 500, 500, 49, 100.0L / 49},   // 48.83 rounds to 49
                      SizeCase{1000, 3, 500, 500, 2, 1.5L},             // 1.5 goes to the even 2
                      SizeCase{300, 2000, 500, 75, 500, 4},             // only the second step
                      SizeCase{600, 1200, 500, 250, 500, 2.4L},         // both steps
                      SizeCase{1000, 1, 501, 501, 1, 1},
                      // A short side that rounds to 0 pixels gets 1.
                      SizeCase{1000, 1, 500, 500, 1, 1}, SizeCase{1000, 1, 400, 400, 1, 1},
                      SizeCase{1, 5000, 10, 1, 10, 1}));

TEST(Positions, RoundTheSumOfStepAndStart)
{
    AreaOfInterest area{1, 100, 1, 1024, 1, 1};
    const PreviewSize size = previewSize(1024, 100, 500);
    const std::vector<int32_t> lines = previewLines(area, size);
    const std::vector<int32_t> samples = previewSamples(area, size);
    EXPECT_EQ(std::vector<int32_t>(lines.begin(), lines.begin() + 4), (std::vector<int32_t>{1, 3, 5, 7}));
    EXPECT_EQ(std::vector<int32_t>(samples.begin(), samples.begin() + 4), (std::vector<int32_t>{1, 3, 5, 7}));
    EXPECT_EQ(samples.back(), 1019);
    EXPECT_LE(lines.back(), 100);

    const PreviewSize three = previewSize(1000, 3, 500);
    EXPECT_EQ(previewLines(AreaOfInterest{1, 3, 1, 1000, 1, 1}, three), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(previewLines(AreaOfInterest{2, 4, 1, 1000, 1, 1}, three), (std::vector<int32_t>{2, 4}));
}

TEST(Positions, ColumnsTurnAboutTheOrigin)
{
    const PreviewSize size = previewSize(5, 5, 5);
    EXPECT_EQ(previewSamples(AreaOfInterest{1, 5, 1, 5, 4, 1}, size), (std::vector<int32_t>{4, 5, 1, 2, 3}));
    EXPECT_EQ(previewSamples(AreaOfInterest{1, 5, 1, 5, 0, 1}, size), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(previewSamples(AreaOfInterest{1, 5, 1, 5, 6, 1}, size), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    // Reduced: every column still lies in the area.
    for (int32_t s : previewSamples(AreaOfInterest{1, 10, 11, 1010, 900, 1}, previewSize(1000, 10, 7))) {
        EXPECT_GE(s, 11);
        EXPECT_LE(s, 1010);
    }
}

// The gray level of each pixel, one row after another.
std::vector<Bytes> pictureLevels(const PreviewPicture& picture)
{
    std::vector<Bytes> rows;
    for (int32_t r = 0; r < picture.Height; ++r) {
        Bytes row;
        for (int32_t c = 0; c < picture.Width; ++c) {
            const uint8_t* pixel = picture.row(r) + 3 * c;
            EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]);
            row.push_back(pixel[0]);
        }
        rows.push_back(row);
    }
    return rows;
}

Bytes noisyBytes(size_t n)
{
    Bytes bytes;
    uint32_t seed = 99;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes.push_back(static_cast<uint8_t>(seed >> 24));
    }
    return bytes;
}

struct FormatCase {
    const char* name;
    int bytesPerSample;
    BoxTexts boxes;
    std::vector<Choice> choices;
};

class PlainPreviewFormats : public ::testing::TestWithParam<FormatCase> {};

// 8- and 16-bit pictures take their levels from a table, the others from the
// formula; both must give the conversion's levels.
TEST_P(PlainPreviewFormats, PixelsEqualTheConversionsLevels)
{
    const FormatCase& c = GetParam();
    BoxTexts boxes = {{Box::Gamma, "0.5"}, {Box::OriginSample, "37"}};
    boxes.insert(boxes.end(), c.boxes.begin(), c.boxes.end());
    std::vector<Choice> choices = c.choices;
    choices.push_back(Choice::IgnoreNonDataValue);
    OutputHarness h(noisyBytes(100 * 100 * c.bytesPerSample), 100, 100, boxes, choices);
    h.main.ConvertFile_ButtonClick();
    h.window.events.clear();
    h.main.Preview_ButtonClick();
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Log), Lines{});
    ASSERT_TRUE(h.window.preview());
    EXPECT_EQ(pictureLevels(*h.window.preview()), h.bmpRowsFromTop(100, 100));
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Busy), (Lines{"on", "off"}));
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Preview), Lines{"100x100"});
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PlainPreviewFormats,
    ::testing::Values(
        FormatCase{"Unsigned8", 1, {{Box::MinData, "20"}, {Box::MaxData, "230"}, {Box::NonDataValue, "100"}}, {}},
        FormatCase{"Unsigned16Msb", 2,
                   {{Box::BitsPerSample, "16"}, {Box::MinData, "3000"}, {Box::MaxData, "60000"},
                    {Box::NonDataValue, "40000"}},
                   {Choice::ReverseBytes}},
        FormatCase{"Signed16", 2,
                   {{Box::BitsPerSample, "16"}, {Box::MinData, "-20000"}, {Box::MaxData, "25000"},
                    {Box::NonDataValue, "-1"}},
                   {Choice::SignedInteger}},
        FormatCase{"Signed32", 4,
                   {{Box::BitsPerSample, "32"}, {Box::MinData, "-2e9"}, {Box::MaxData, "1e9"},
                    {Box::NonDataValue, "0"}},
                   {Choice::SignedInteger}}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(PlainPreview, ReducedPictureShowsTheNearestSamples)
{
    // Value = line * 2 + sample: lines 1, 3, 5 ... and samples 1, 3, 5 ... are shown.
    OutputHarness h(byteImage(20, 40, [](int l, int s) { return 2 * l + s; }), 40, 20, {{Box::MaxPreviewDimension, "20"}});
    h.main.Preview_ButtonClick();
    ASSERT_TRUE(h.window.preview());
    const std::vector<Bytes> rows = pictureLevels(*h.window.preview());
    ASSERT_EQ(rows.size(), 10u);
    ASSERT_EQ(rows[0].size(), 20u);
    EXPECT_EQ(rows[0][0], 3);
    EXPECT_EQ(rows[1][1], 2 * 3 + 3);
    EXPECT_EQ(rows[9][19], 2 * 19 + 39);
}

TEST(PlainPreview, NaNIsDrawnLikeTheMinimum)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    OutputHarness h(samplesOf<float>({nan, 5, inf, -inf}), 4, 1,
                    {{Box::BitsPerSample, "32"}, {Box::MinData, "0"}, {Box::MaxData, "10"}}, {Choice::Real});
    h.main.Preview_ButtonClick();
    ASSERT_TRUE(h.window.preview());
    EXPECT_EQ(pictureLevels(*h.window.preview()), (std::vector<Bytes>{{0, 128, 255, 0}}));
}

struct AutoCase {
    const char* name;
    Bytes bytes;
    int samples;
    BoxTexts boxes;
    std::vector<Choice> choices;
    Lines log;
    std::vector<Bytes> levels;  // empty: no picture
};

void PrintTo(const AutoCase& c, std::ostream* out) { *out << c.name; }

class AutoPreview : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutoPreview, LogsTheExtremesAndStretchesToThem)
{
    const AutoCase& c = GetParam();
    std::vector<Choice> choices = c.choices;
    choices.push_back(Choice::AutoStretchPreview);
    OutputHarness h(c.bytes, c.samples, 1, c.boxes, choices);
    h.main.Preview_ButtonClick();
    EXPECT_EQ(h.window.errors(), Lines{});
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Log), c.log);
    if (c.levels.empty()) {
        EXPECT_FALSE(h.window.preview());
    } else {
        ASSERT_TRUE(h.window.preview());
        EXPECT_EQ(pictureLevels(*h.window.preview()), c.levels);
    }
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Busy), (Lines{"on", "off"}));
}

const double dnan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoPreview,
    ::testing::Values(
        AutoCase{"all_equal", Bytes(3, 7), 3, {{Box::MinData, "100"}}, {},
                 {"Preview based on  Min data: 7 at (1, 1)   Max data: 7  at (1, 1)", ""}, {{0, 0, 0}}},
        AutoCase{"first_extremes_keep_their_position", Bytes{9, 4, 9, 4, 6}, 5, {{Box::OriginSample, "2"}}, {},
                 {"Preview based on  Min data: 4 at (1, 2)   Max data: 9  at (1, 3)", ""},
                 {{0, 255, 0, 102, 255}}},  // 6 gives 255 * 2 / 5
        AutoCase{"non_data_counted_and_drawn_at_0", Bytes{200, 10, 20, 200}, 4, {{Box::NonDataValue, "200"}},
                 {Choice::IgnoreNonDataValue},
                 {"Preview based on  Min data: 10 at (1, 2)   Max data: 20  at (1, 3)",
                  "2 points with Non-data value: 200 ", ""},
                 {{0, 0, 255, 0}}},
        AutoCase{"non_data_beyond_64_bits", Bytes{1, 2}, 2, {{Box::NonDataValue, "1E30"}},
                 {Choice::IgnoreNonDataValue},
                 {"Preview based on  Min data: 1 at (1, 1)   Max data: 2  at (1, 2)",
                  "0 points with Non-data value: 1.00000000000000E+030 ", ""},
                 {{0, 255}}},
        AutoCase{"doubles_with_16_digits", samplesOf<double>({0.5, dnan, -2.25}), 3, {{Box::BitsPerSample, "64"}},
                 {},
                 {"Preview based on  Min data: -2.250000000000000E+00 at (1, 3)   Max data: "
                  "5.000000000000000E-01  at (1, 1)",
                  ""},
                 {{255, 0, 0}}},
        AutoCase{"floats_with_non_data_as_real", samplesOf<float>({1, 3, 2}), 3,
                 {{Box::BitsPerSample, "32"}, {Box::NonDataValue, "3"}}, {Choice::Real, Choice::IgnoreNonDataValue},
                 {"Preview based on  Min data: 1.0000000E+00 at (1, 1)   Max data: 2.0000000E+00  at (1, 3)",
                  "1 points with Non-data value: 3.0000000E+00", ""},
                 {{0, 0, 255}}},
        // No data point: said in words, nothing drawn from the start values.
        AutoCase{"all_non_data", Bytes{5, 5}, 2, {{Box::NonDataValue, "5"}}, {Choice::IgnoreNonDataValue},
                 {"Preview not drawn: no data point among the points shown", "2 points with Non-data value: 5 ", ""},
                 {}},
        AutoCase{"all_nan", samplesOf<double>({dnan}), 1, {{Box::BitsPerSample, "64"}}, {},
                 {"Preview not drawn: no data point among the points shown", ""}, {}},
        // 10 data points: 20 % is rank 2 from each end; the outliers 0 and 250 are clipped.
        AutoCase{"clip_stretches_to_percentiles", Bytes{0, 10, 20, 30, 40, 50, 60, 70, 80, 250, 99}, 11,
                 {{Box::ClipPercent, "20"}, {Box::NonDataValue, "99"}}, {Choice::IgnoreNonDataValue},
                 {"Preview based on  Min data: 0 at (1, 1)   Max data: 250  at (1, 10)",
                  "1 points with Non-data value: 99 ", "Clip 20 %:  Min data: 10   Max data: 80", ""},
                 {{0, 0, 36, 73, 109, 146, 182, 219, 255, 255, 0}}}));

struct PreviewRefusal {
    const char* name;
    BoxTexts boxes;
    std::string error;
};

void PrintTo(const PreviewRefusal& c, std::ostream* out) { *out << c.name; }

class PreviewRefused : public ::testing::TestWithParam<PreviewRefusal> {};

TEST_P(PreviewRefused, ReadsNothingAndRestoresThePointer)
{
    const PreviewRefusal& c = GetParam();
    OutputHarness h(Bytes(16, 1), 4, 4, c.boxes, {Choice::AutoStretchPreview});
    h.main.Preview_ButtonClick();
    EXPECT_EQ(h.window.errors(), Lines{c.error});
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Log), Lines{});
    EXPECT_FALSE(h.window.preview());
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Busy), (Lines{"on", "off"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewRefused,
    ::testing::Values(PreviewRefusal{"size_0", {{Box::MaxPreviewDimension, "0"}}, "The preview size must be 1 or more."},
                      PreviewRefusal{"size_negative", {{Box::MaxPreviewDimension, "-3"}},
                                     "The preview size must be 1 or more."},
                      PreviewRefusal{"no_line", {{Box::StartLine, "3"}, {Box::EndLine, "2"}},
                                     "The end line lies before the start line."},
                      PreviewRefusal{"no_sample", {{Box::StartSample, "3"}, {Box::EndSample, "2"}},
                                     "The end sample lies before the start sample."},
                      PreviewRefusal{"negative_gamma", {{Box::Gamma, "-0.5"}}, "Gamma must not be negative."},
                      PreviewRefusal{"beyond_the_file", {{Box::EndLine, "5"}}, "Read beyond end of file."},
                      PreviewRefusal{"row_wider_than_a_million", {{Box::EndSample, "1000001"},
                                                                  {Box::MaxPreviewDimension, "2000000"}},
                                     "Range check error."},
                      PreviewRefusal{"picture_and_values_larger_than_memory",
                                     {{Box::EndSample, "1000000"}, {Box::EndLine, "1000000"},
                                      {Box::MaxPreviewDimension, "1000000"}},
                                     "The preview (1000000 x 1000000 pixels) and the values it is stretched to "
                                     "need 19000000000000 bytes: more memory than there is."}));

TEST(Preview, UnsupportedBitsChangeNoPointer)
{
    OutputHarness h(Bytes(16, 1), 4, 4, {{Box::BitsPerSample, "12"}});
    h.main.Preview_ButtonClick();
    EXPECT_EQ(h.window.messages(), Lines{"Unsupported data type: 12 bits per sample"});
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Busy), Lines{});
}

}  // namespace
}  // namespace skeldra
