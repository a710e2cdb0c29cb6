// SPDX-License-Identifier: BSD-3-Clause
// The pointer over the preview: the line and sample behind a pixel, the area
// under a rectangle, the value read there, and the mouse handlers of the
// main window (area, Back, point) with the quiet Live preview.
#include <gtest/gtest.h>

#include "OutputHarness.h"
#include "analysis/PointRetrieval.h"
#include "output/Preview.h"
#include "output/PreviewGeometry.h"

namespace skeldra {
namespace {

using namespace testing;

struct Shown {
    AreaOfInterest area;
    int32_t maxDimension;
};

PreviewSource sourceOf(const Shown& shown)
{
    PreviewSource source;
    source.StartLine = shown.area.StartLine;
    source.EndLine = shown.area.EndLine;
    source.StartSample = shown.area.StartSample;
    source.EndSample = shown.area.EndSample;
    source.OriginSample = shown.area.OriginSample;
    source.Band = shown.area.Band;
    source.SampleStep = previewSize(shown.area.Width(), shown.area.Height(), shown.maxDimension).SampleStep;
    return source;
}

class PixelPosition : public ::testing::TestWithParam<Shown> {};

// The pointer must name the sample the pixel was drawn from, for every pixel.
TEST_P(PixelPosition, NamesTheSampleThePixelShows)
{
    const Shown& shown = GetParam();
    const PreviewSize size = previewSize(shown.area.Width(), shown.area.Height(), shown.maxDimension);
    const std::vector<int32_t> lines = previewLines(shown.area, size);
    const std::vector<int32_t> samples = previewSamples(shown.area, size);
    const PreviewSource source = sourceOf(shown);
    for (int32_t r = 0; r < size.Height; ++r)
        for (int32_t c = 0; c < size.Width; ++c) {
            const PointPosition point = pixelPosition(source, c, r);
            ASSERT_EQ(point.Line, lines[static_cast<size_t>(r)]) << "row " << r;
            ASSERT_EQ(point.Sample, samples[static_cast<size_t>(c)]) << "column " << c;
        }
    // Beyond the picture: the nearest edge of the area.
    EXPECT_EQ(pixelPosition(source, -3, -3).Line, shown.area.StartLine);
    EXPECT_EQ(pixelPosition(source, -3, -3).Sample, shown.area.Origin());
    EXPECT_EQ(pixelPosition(source, size.Width + 50, size.Height + 50).Line, shown.area.EndLine);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, PixelPosition,
    ::testing::Values(Shown{{1, 300, 1, 2000, 1, 1}, 500},        // step 4
                      Shown{{1, 100, 1, 1024, 1, 1}, 500},        // step 100/49
                      Shown{{7, 40, 11, 60, 30, 2}, 500},         // 1:1, turned about sample 30
                      Shown{{1, 3, 1, 1000, 900, 1}, 500},        // step 1.5, turned
                      Shown{{2, 4, 1, 1000, 1, 1}, 500},          // halves go to the even line
                      Shown{{1, 2000, 101, 400, 350, 1}, 333}));  // tall, turned

struct RectangleCase {
    const char* name;
    Shown shown;
    int32_t column0, row0, column1, row1;
    AreaBounds expected;
};

class RectangleArea : public ::testing::TestWithParam<RectangleCase> {};

TEST_P(RectangleArea, CoversThePixelsStepsClampedToTheArea)
{
    const RectangleCase& c = GetParam();
    const AreaBounds area = areaUnderRectangle(sourceOf(c.shown), c.column0, c.row0, c.column1, c.row1);
    EXPECT_EQ(area.StartLine, c.expected.StartLine);
    EXPECT_EQ(area.EndLine, c.expected.EndLine);
    EXPECT_EQ(area.StartSample, c.expected.StartSample);
    EXPECT_EQ(area.EndSample, c.expected.EndSample);
}

const Shown oneToOne{{11, 60, 21, 80, 1, 1}, 500};
const Shown bySteps{{1, 300, 1, 2000, 1, 1}, 500};
const Shown turned{{1, 10, 1, 10, 8, 1}, 500};  // columns show 8 9 10 1 2 ... 7

INSTANTIATE_TEST_SUITE_P(
    Cases, RectangleArea,
    ::testing::Values(
        RectangleCase{"OneToOne", oneToOne, 2, 3, 5, 7, {14, 18, 23, 26}},
        RectangleCase{"CornersInEitherOrder", oneToOne, 5, 7, 2, 3, {14, 18, 23, 26}},
        RectangleCase{"OnePixel", oneToOne, 4, 4, 4, 4, {15, 15, 25, 25}},
        // The bright square of lines 101-150, samples 801-900 at a step of 4.
        RectangleCase{"StepsOfFour", bySteps, 200, 25, 224, 37, {101, 152, 801, 900}},
        RectangleCase{"BeyondThePictureIsClamped", bySteps, -40, -9, 9000, 9000, {1, 300, 1, 2000}},
        RectangleCase{"AfterTheSeam", turned, 3, 0, 5, 1, {1, 2, 1, 3}},
        RectangleCase{"BeforeTheSeam", turned, 0, 0, 2, 0, {1, 1, 8, 10}},
        RectangleCase{"AcrossTheSeamTakesTheWholeRow", turned, 1, 0, 4, 0, {1, 1, 1, 10}}),
    [](const ::testing::TestParamInfo<RectangleCase>& info) { return std::string(info.param.name); });

// A file whose 16-bit value at (line, sample) is line * 100 + sample.
Bytes positionImage(int lines, int samples)
{
    Bytes bytes;
    for (int l = 1; l <= lines; ++l)
        for (int s = 1; s <= samples; ++s) {
            const Bytes v = samplesOf<uint16_t>({static_cast<uint16_t>(l * 100 + s)}, true);
            bytes.insert(bytes.end(), v.begin(), v.end());
        }
    return bytes;
}

struct ReadoutCase {
    const char* name;
    BoxTexts boxes;
    std::vector<Choice> choices;
};

class PointerReadout : public ::testing::TestWithParam<ReadoutCase> {};

// The readout of every pixel is the line Retrieve Point logs for it, with the
// layout the picture was drawn with even after the boxes change.
TEST_P(PointerReadout, EqualsRetrievePointAtThePixel)
{
    OutputHarness h(positionImage(12, 30), 30, 12, GetParam().boxes, GetParam().choices);
    h.main.Preview_ButtonClick();
    ASSERT_TRUE(h.window.preview());
    const PreviewPicture picture = *h.window.preview();
    const std::string bits = h.window.boxText(Box::BitsPerSample);
    h.window.setBoxText(Box::BitsPerSample, "8");  // the picture keeps its own layout
    std::vector<std::string> readouts;
    for (int32_t r = 0; r < picture.Height; ++r)
        for (int32_t c = 0; c < picture.Width; ++c) {
            const PointPosition point = pixelPosition(picture.Source, c, r);
            readouts.push_back(DescribePoint(picture.Source, point.Line, point.Sample));
        }
    h.window.setBoxText(Box::BitsPerSample, bits);
    size_t i = 0;
    for (int32_t r = 0; r < picture.Height; ++r)
        for (int32_t c = 0; c < picture.Width; ++c) {
            h.main.PreviewPoint_Click(picture.Source, c, r);
            ASSERT_EQ(readouts[i++], h.window.log().back()) << "pixel " << c << ", " << r;
        }
    EXPECT_TRUE(h.window.errors().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PointerReadout,
    ::testing::Values(
        ReadoutCase{"Unsigned", {{Box::BitsPerSample, "16"}}, {Choice::ReverseBytes}},
        ReadoutCase{"ReducedAndTurned",
                    {{Box::BitsPerSample, "16"}, {Box::MaxPreviewDimension, "7"}, {Box::OriginSample, "20"},
                     {Box::StartLine, "3"}},
                    {Choice::ReverseBytes, Choice::AutoStretchPreview}},
        ReadoutCase{"BandsOfBip",
                    {{Box::BitsPerSample, "16"}, {Box::NumSamples, "15"}, {Box::EndSample, "15"},
                     {Box::NumBands, "2"}, {Box::BandNum, "2"}},
                    {Choice::ReverseBytes, Choice::BIP}},
        ReadoutCase{"Real32", {{Box::BitsPerSample, "32"}, {Box::NumSamples, "15"}, {Box::EndSample, "15"}},
                    {Choice::Real, Choice::ReverseBytes}}),
    [](const ::testing::TestParamInfo<ReadoutCase>& info) { return std::string(info.param.name); });

TEST(PointerReadout, ASampleBeyondTheFileGivesTheReadError)
{
    OutputHarness h(positionImage(2, 30), 30, 2, {{Box::BitsPerSample, "16"}});
    h.main.Preview_ButtonClick();
    PreviewSource source = h.window.preview()->Source;
    EXPECT_THROW(
        {
            try {
                DescribePoint(source, 3, 1);
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), "Read beyond end of file");
                throw;
            }
        },
        Error);
}

// A rectangle zooms in: four boxes, one log line and the preview again; Back
// restores the boxes as they were typed.
TEST(PreviewArea, SetsTheAreaPreviewsAndGoesBack)
{
    OutputHarness h(positionImage(12, 30), 30, 12,
                    {{Box::BitsPerSample, "16"}, {Box::StartSample, "$2"}, {Box::MaxData, "2000"}},
                    {Choice::ReverseBytes});
    h.main.Preview_ButtonClick();
    const PreviewSource shown = h.window.preview()->Source;
    h.window.events.clear();
    h.main.PreviewArea_Drag(shown, 10, 8, 3, 2);
    EXPECT_EQ(h.window.log().back(), "Area of interest from the preview: lines 3 to 9, samples 5 to 12");
    EXPECT_EQ(h.window.preview()->Width, 8);
    EXPECT_EQ(h.window.preview()->Height, 7);
    EXPECT_TRUE(h.main.canGoBack());

    h.main.PreviewBack_Click();
    EXPECT_EQ(h.window.log().back(), "Area of interest back to: lines 1 to 12, samples $2 to 30");
    EXPECT_EQ(h.window.boxText(Box::StartLine), "1");
    EXPECT_EQ(h.window.preview()->Width, 29);
    EXPECT_FALSE(h.main.canGoBack());
    h.main.PreviewBack_Click();  // nothing left to go back to
    EXPECT_EQ(h.window.log().back(), "Area of interest back to: lines 1 to 12, samples $2 to 30");
    EXPECT_TRUE(h.window.messages().empty());

    // Another input file: the areas of this one are not offered there.
    h.main.PreviewArea_Drag(shown, 10, 8, 3, 2);
    h.window.openDialogAnswer = h.dir.file("other.raw");
    h.main.InputFile_ButtonClick();
    EXPECT_FALSE(h.main.canGoBack());
    const size_t logged = h.window.log().size();
    h.main.PreviewBack_Click();
    EXPECT_EQ(h.window.log().size(), logged);
}

struct LiveCase {
    const char* name;
    BoxTexts boxes;
    std::vector<Choice> choices;
    bool drawn;
};

class LivePreview : public ::testing::TestWithParam<LiveCase> {};

// While typing, an entry that would bring a message (or a correction of a
// box) skips the picture, and an error skips it without an error box.
TEST_P(LivePreview, DrawsOnlyWhatNeedsNoMessage)
{
    const LiveCase& c = GetParam();
    OutputHarness h(byteImage(10, 20, [](int l, int s) { return l + s; }), 20, 10, c.boxes, c.choices);
    std::vector<std::string> textsBefore;
    for (int i = 0; i < boxCount; ++i) textsBefore.push_back(h.window.boxText(static_cast<Box>(i)));
    h.main.LivePreview();
    EXPECT_EQ(h.window.preview().has_value(), c.drawn);
    EXPECT_TRUE(h.window.messages().empty());
    EXPECT_TRUE(h.window.errors().empty());
    for (int i = 0; i < boxCount; ++i) EXPECT_EQ(h.window.boxText(static_cast<Box>(i)), textsBefore[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LivePreview,
    ::testing::Values(LiveCase{"AllValid", {}, {}, true},
                      LiveCase{"HalfTypedWidth", {{Box::NumSamples, "2x"}}, {}, false},
                      LiveCase{"BlankToTrim", {{Box::NumSamples, "20 "}}, {}, false},
                      LiveCase{"BandToCorrect", {{Box::BandNum, "2"}}, {}, false},
                      LiveCase{"UnsupportedBits", {{Box::BitsPerSample, "12"}}, {}, false},
                      LiveCase{"EmptyArea", {{Box::EndLine, "0"}}, {}, false},
                      LiveCase{"BeyondTheFile", {{Box::HeaderBytes, "100000"}}, {}, false},
                      LiveCase{"UnreadNonDataBox", {{Box::NonDataValue, "x"}}, {}, true},
                      LiveCase{"ReadNonDataBox", {{Box::NonDataValue, "x"}}, {Choice::IgnoreNonDataValue}, false},
                      LiveCase{"UnreadRangeWithAuto", {{Box::MaxData, "?"}}, {Choice::AutoStretchPreview}, true},
                      LiveCase{"UnreadPadOfAnotherStructure", {{Box::NumBandGapBytes, "-"}}, {Choice::BIL}, true},
                      LiveCase{"ReadPadOfTheStructure", {{Box::NumBandGapBytes, "-"}}, {Choice::BSQ}, false}),
    [](const ::testing::TestParamInfo<LiveCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skeldra
