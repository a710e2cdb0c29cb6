// SPDX-License-Identifier: BSD-3-Clause
// The layout boxes become RasterLayout: band-number correction, bits to bytes
// and data-type buttons, strides of every band structure, band boxes shown.
#include <gtest/gtest.h>

#include "raster/FormatParameters.h"
#include "support/ErrorText.h"
#include "support/ScriptedWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;

TEST(ReadFormatParameters, DefaultsGiveOneByteSamplesWithoutBands)
{
    ScriptedWindow window;
    EXPECT_TRUE(ReadFormatParameters(window));
    const RasterLayout& layout = window.state.Layout;
    EXPECT_EQ(layout.HeaderBytes, 10240);
    EXPECT_EQ(layout.BytesPerSample, 1);
    EXPECT_EQ(layout.Structure, BandStructure::None);
    EXPECT_EQ(layout.InnerStepBytes, 1024);
    EXPECT_EQ(layout.OuterStepBytes, 1024);
    EXPECT_TRUE(window.messages().empty());
}

struct BandCase {
    const char* bands;
    const char* bandNum;
    const char* expectedText;
    int messages;
};

class BandCorrection : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandCorrection, CorrectsOnceAndTakesTheBandsText)
{
    const BandCase& c = GetParam();
    ScriptedWindow window;
    window.setBoxText(Box::NumBands, c.bands);
    window.setBoxText(Box::BandNum, c.bandNum);
    ReadFormatParameters(window);
    EXPECT_EQ(window.boxText(Box::BandNum), c.expectedText);
    EXPECT_EQ(window.eventTexts(Event::Kind::Message),
              std::vector<std::string>(c.messages, "Correcting illegal Band #"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BandCorrection,
                         ::testing::Values(BandCase{"3", "5", "3", 1}, BandCase{"3", "0", "1", 1},
                                           BandCase{"3", "-2", "1", 1}, BandCase{"3", "3", "3", 0},
                                           BandCase{"0", "1", "0", 1},
                                           // The Bands text is copied as typed.
                                           BandCase{" 2", "7", "2", 1}));

struct BitsCase {
    const char* bits;
    Choice before;
    Choice after;
    bool supported;
    int bytesPerSample;
};

class BitsPerSample : public ::testing::TestWithParam<BitsCase> {};

TEST_P(BitsPerSample, SetsBytesAndDataType)
{
    const BitsCase& c = GetParam();
    ScriptedWindow window;
    window.check(c.before);
    window.setBoxText(Box::BitsPerSample, c.bits);
    EXPECT_EQ(ReadFormatParameters(window), c.supported);
    EXPECT_TRUE(window.isChecked(c.after));
    EXPECT_EQ(window.state.Layout.BytesPerSample, c.bytesPerSample);
    if (!c.supported)
        EXPECT_EQ(window.messages(), std::vector<std::string>{
                                         std::string("Unsupported data type: ") + c.bits +
                                         " bits per sample"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BitsPerSample,
    ::testing::Values(BitsCase{"16", Choice::Real, Choice::UnsignedInteger, true, 2},
                      BitsCase{"16", Choice::SignedInteger, Choice::SignedInteger, true, 2},
                      BitsCase{"8", Choice::SignedInteger, Choice::UnsignedInteger, true, 1},
                      BitsCase{"8", Choice::Real, Choice::UnsignedInteger, true, 1},
                      BitsCase{"32", Choice::Real, Choice::Real, true, 4},
                      BitsCase{"32", Choice::SignedInteger, Choice::SignedInteger, true, 4},
                      BitsCase{"64", Choice::UnsignedInteger, Choice::Real, true, 8},
                      BitsCase{"12", Choice::SignedInteger, Choice::SignedInteger, false, 1},
                      BitsCase{"24", Choice::UnsignedInteger, Choice::UnsignedInteger, false, 3},
                      BitsCase{"4", Choice::UnsignedInteger, Choice::UnsignedInteger, false, 0},
                      BitsCase{"-8", Choice::UnsignedInteger, Choice::UnsignedInteger, false, -1}));

TEST(ReadFormatParameters, UnsupportedBitsStillComputesStrides)
{
    ScriptedWindow window;
    window.setBoxText(Box::BitsPerSample, "12");
    window.setBoxText(Box::NumSamples, "100");
    EXPECT_FALSE(ReadFormatParameters(window));
    EXPECT_EQ(window.state.Layout.InnerStepBytes, 100);
}

struct StrideCase {
    Choice structure;
    int64_t inner;
    int64_t outer;
    std::vector<std::string> visibility;
    int height;
    // Tiles of 32 x 16 samples (without a line pad): the inner step is a
    // row of 4 tiles of 1024 bytes, the outer one 4 such rows and the gap.
    bool tiled = false;
};

class Strides : public ::testing::TestWithParam<StrideCase> {};

// 100 samples of 2 bytes, 3 bands, band pad 4, line pad 10, gap 20, 50 lines.
TEST_P(Strides, FollowTheStructure)
{
    const StrideCase& c = GetParam();
    ScriptedWindow window;
    window.setBoxText(Box::NumSamples, "100");
    window.setBoxText(Box::BitsPerSample, "16");
    window.setBoxText(Box::NumBands, "3");
    window.setBoxText(Box::NumBandPadBytes, "4");
    window.setBoxText(Box::NumRowPadBytes, c.tiled ? "0" : "10");
    window.setBoxText(Box::NumBandGapBytes, "20");
    window.setBoxText(Box::NumSingleImageLines, "50");
    window.setBoxText(Box::TileSamples, c.tiled ? "32" : "0");
    window.setBoxText(Box::TileLines, c.tiled ? "16" : "0");
    window.check(c.structure);
    window.events.clear();
    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(window.state.Layout.InnerStepBytes, c.inner);
    EXPECT_EQ(window.state.Layout.OuterStepBytes, c.outer);
    std::vector<std::string> expected = c.visibility;
    expected.push_back(std::to_string(c.height));
    std::vector<std::string> seen;
    for (const Event& e : window.events)
        if (e.kind == Event::Kind::BoxVisible || e.kind == Event::Kind::GroupHeight) seen.push_back(e.text);
    EXPECT_EQ(seen, expected);
}

const std::vector<std::string> allHidden = {
    "NumBands_LabeledNumericEdit hidden",        "BandNum_LabeledNumericEdit hidden",
    "NumSingleImageLines_LabeledNumericEdit hidden", "NumBandPadBytes_LabeledNumericEdit hidden",
    "NumRowPadBytes_LabeledNumericEdit hidden",  "NumBandGapBytes_LabeledNumericEdit hidden"};

INSTANTIATE_TEST_SUITE_P(
    Cases, Strides,
    ::testing::Values(
        StrideCase{Choice::NoBands, 200, 200, allHidden, 40},
        StrideCase{Choice::BIL, 204, 622,
                   {"NumBands_LabeledNumericEdit shown", "BandNum_LabeledNumericEdit shown",
                    "NumSingleImageLines_LabeledNumericEdit hidden",
                    "NumBandPadBytes_LabeledNumericEdit shown",
                    "NumRowPadBytes_LabeledNumericEdit shown",
                    "NumBandGapBytes_LabeledNumericEdit hidden"},
                   100},
        StrideCase{Choice::BIP, 6, 610,
                   {"NumBands_LabeledNumericEdit shown", "BandNum_LabeledNumericEdit shown",
                    "NumSingleImageLines_LabeledNumericEdit hidden",
                    "NumBandPadBytes_LabeledNumericEdit hidden",
                    "NumRowPadBytes_LabeledNumericEdit shown",
                    "NumBandGapBytes_LabeledNumericEdit hidden"},
                   100},
        StrideCase{Choice::BSQ, 210, 10520,
                   {"NumBands_LabeledNumericEdit shown", "BandNum_LabeledNumericEdit shown",
                    "NumSingleImageLines_LabeledNumericEdit shown",
                    "NumBandPadBytes_LabeledNumericEdit hidden",
                    "NumRowPadBytes_LabeledNumericEdit shown",
                    "NumBandGapBytes_LabeledNumericEdit shown"},
                   100},
        StrideCase{Choice::NoBands, 4096, 4096, allHidden, 40, true},
        StrideCase{Choice::BSQ, 4096, 16404,
                   {"NumBands_LabeledNumericEdit shown", "BandNum_LabeledNumericEdit shown",
                    "NumSingleImageLines_LabeledNumericEdit shown",
                    "NumBandPadBytes_LabeledNumericEdit hidden",
                    "NumRowPadBytes_LabeledNumericEdit shown",
                    "NumBandGapBytes_LabeledNumericEdit shown"},
                   100, true}));

// Tiles that the layout cannot hold are refused with the reason, once the
// boxes of the structure chosen are shown (a click shows them as ever).
struct TileRefusal {
    Choice structure;
    const char* tileSamples;
    const char* tileLines;
    const char* linePad;
    std::string error;
};

class TileRefusals : public ::testing::TestWithParam<TileRefusal> {};

TEST_P(TileRefusals, NameTheReason)
{
    const TileRefusal& c = GetParam();
    ScriptedWindow window;
    window.setBoxText(Box::NumSamples, "2147483647");
    window.setBoxText(Box::NumBands, "3");
    window.setBoxText(Box::NumRowPadBytes, c.linePad);
    window.setBoxText(Box::TileSamples, c.tileSamples);
    window.setBoxText(Box::TileLines, c.tileLines);
    window.check(c.structure);
    window.events.clear();
    EXPECT_EQ(testing::errorOf([&] { ReadFormatParameters(window); }), c.error);
    EXPECT_FALSE(window.eventTexts(Event::Kind::GroupHeight).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TileRefusals,
    ::testing::Values(
        TileRefusal{Choice::BIL, "32", "16", "0", "Tiles are stored band after band: choose the band structure None or BSQ"},
        TileRefusal{Choice::BIP, "32", "16", "0", "Tiles are stored band after band: choose the band structure None or BSQ"},
        TileRefusal{Choice::BSQ, "32", "16", "10", "Tiled bands have no line pad: set Line pad to 0"},
        TileRefusal{Choice::NoBands, "32", "0", "0",
                    "Tile samples and Tile lines must both be 0 (no tiles) or both 1 or more"},
        TileRefusal{Choice::BSQ, "-1", "-1", "0",
                    "Tile samples and Tile lines must both be 0 (no tiles) or both 1 or more"}));

TEST(ComputeBandStrides, TilesBeyond64BitsAreAnOverflow)
{
    ScriptedWindow window;
    window.setBoxText(Box::BitsPerSample, "64");
    // 2^31 x 8 x 2^31 bytes a tile exceed 2^63.
    window.setBoxText(Box::TileSamples, "2147483647");
    window.setBoxText(Box::TileLines, "2147483647");
    EXPECT_EQ(testing::errorOf([&] { ReadFormatParameters(window); }), "Integer overflow");
}

TEST(ComputeBandStrides, BipRightAfterStartUpUsesTheZeroLayout)
{
    ScriptedWindow window;
    window.setBoxText(Box::NumRowPadBytes, "7");
    window.check(Choice::BIP);
    ComputeBandStrides(window);
    EXPECT_EQ(window.state.Layout.InnerStepBytes, 0);
    EXPECT_EQ(window.state.Layout.OuterStepBytes, 7);
    EXPECT_EQ(window.bandGroupHeight(), 100);
}

TEST(ComputeBandStrides, StridesBeyond32BitsAreKept)
{
    ScriptedWindow window;
    window.setBoxText(Box::NumSamples, "2000000000");
    window.setBoxText(Box::BitsPerSample, "64");
    window.setBoxText(Box::NumBands, "4");
    window.check(Choice::BIL);
    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(window.state.Layout.InnerStepBytes, 16000000000LL);
    EXPECT_EQ(window.state.Layout.OuterStepBytes, 64000000000LL);
}

TEST(ComputeBandStrides, SixtyFourBitOverflowIsAnError)
{
    ScriptedWindow window;
    window.setBoxText(Box::NumSamples, "2147483647");
    window.setBoxText(Box::BitsPerSample, "64");
    window.setBoxText(Box::NumSingleImageLines, "2147483647");
    window.setBoxText(Box::NumRowPadBytes, "0");
    window.check(Choice::BSQ);
    // 2^31 x 8 x 2^31 lines exceeds 2^63.
    window.setBoxText(Box::NumBandGapBytes, "0");
    EXPECT_EQ(testing::errorOf([&] { ReadFormatParameters(window); }), "Integer overflow");
}

}  // namespace
}  // namespace skeldra
