// SPDX-License-Identifier: BSD-3-Clause
// Positions and values of single samples, and the errors of reading them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "raster/FormatParameters.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"
#include "raster/Strides.h"
#include "support/ErrorText.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

using testing::ScriptedWindow;
using testing::TempDir;
using testing::errorOf;

struct PositionCase {
    Choice structure;
    int32_t line, band, sample;
    int64_t expected;
    // Tiles of 32 x 16 samples (without a line pad): 4 tiles of 1024 bytes
    // in a row of 4096, 4 rows of tiles and the gap in a band of 16404.
    bool tiled = false;
};

class SamplePositions : public ::testing::TestWithParam<PositionCase> {};

// 100 samples of 2 bytes, 3 bands, band pad 4, line pad 10, 50 lines, gap 20, header 0.
TEST_P(SamplePositions, FollowTheStrides)
{
    const PositionCase& c = GetParam();
    ScriptedWindow window;
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, "100");
    window.setBoxText(Box::BitsPerSample, "16");
    window.setBoxText(Box::NumBands, "3");
    window.setBoxText(Box::NumBandPadBytes, "4");
    window.setBoxText(Box::NumRowPadBytes, c.tiled ? "0" : "10");
    window.setBoxText(Box::NumSingleImageLines, "50");
    window.setBoxText(Box::NumBandGapBytes, "20");
    if (c.tiled) {
        window.setBoxText(Box::TileSamples, "32");
        window.setBoxText(Box::TileLines, "16");
    }
    window.check(c.structure);
    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(samplePosition(window.state.Layout, c.line, c.band, c.sample), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SamplePositions,
                         ::testing::Values(PositionCase{Choice::BIL, 2, 3, 5, 1038},
                                           PositionCase{Choice::BIP, 2, 3, 5, 638},
                                           PositionCase{Choice::BSQ, 2, 3, 5, 21258},
                                           PositionCase{Choice::NoBands, 2, 3, 5, 208},
                                           PositionCase{Choice::NoBands, 1, 1, 0, -2},
                                           // Band 3, line 2, sample 5: 2 x 16404 + 64 + 8.
                                           PositionCase{Choice::BSQ, 2, 3, 5, 32880, true},
                                           // The last sample of the last band lies in the corner
                                           // tile: 32808 + 3 x 4096 + 3 x 1024 + 64 + 6.
                                           PositionCase{Choice::BSQ, 50, 3, 100, 48238, true},
                                           // The first sample of the second tile of the second row.
                                           PositionCase{Choice::NoBands, 17, 3, 33, 5120, true},
                                           // Line 0 is the last line of the row of tiles above.
                                           PositionCase{Choice::NoBands, 0, 1, 1, -3136, true},
                                           // Row of tiles 124999999: far beyond 2^32.
                                           PositionCase{Choice::NoBands, 2000000000, 1, 100, 511999999942, true},
                                           PositionCase{Choice::BSQ, 2000000000, 3, 1, 512000029672, true}));

TEST(SamplePositions, DefaultLayout)
{
    ScriptedWindow window;
    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(samplePosition(window.state.Layout, 1, 1, 1), 10240);
    EXPECT_EQ(samplePosition(window.state.Layout, 2, 1, 3), 11266);
}

struct DecodeCase {
    std::vector<uint8_t> bytes;
    Choice type;
    bool reverse;
    long double expected;
    bool isReal;
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, GivesTheExactValue)
{
    const DecodeCase& c = GetParam();
    TempDir dir;
    ScriptedWindow window;
    window.state.InputFilename = dir.write("s.raw", c.bytes);
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::BitsPerSample, std::to_string(c.bytes.size() * 8));
    window.check(c.type);
    window.setChecked(Choice::ReverseBytes, c.reverse);
    ASSERT_TRUE(ReadFormatParameters(window));
    window.state.LastValueIsReal = !c.isReal;
    SampleReader reader(window);
    EXPECT_EQ(reader.ReadDataValue(1, 1, 1), c.expected);
    EXPECT_EQ(window.state.LastValueIsReal, c.isReal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decoding,
    ::testing::Values(
        DecodeCase{{0xFF, 0xFE}, Choice::UnsignedInteger, false, 65279, false},
        DecodeCase{{0xFF, 0xFE}, Choice::SignedInteger, false, -257, false},
        DecodeCase{{0xFF, 0xFE}, Choice::UnsignedInteger, true, 65534, false},
        DecodeCase{{0x34, 0x12}, Choice::UnsignedInteger, false, 4660, false},
        DecodeCase{{0x34, 0x12}, Choice::UnsignedInteger, true, 13330, false},
        DecodeCase{{0x00, 0x00, 0x80, 0x3F}, Choice::Real, false, 1.0L, true},
        DecodeCase{{0x3F, 0x80, 0x00, 0x00}, Choice::Real, true, 1.0L, true},
        DecodeCase{{0xFF, 0xFF, 0xFF, 0xFF}, Choice::UnsignedInteger, false, 4294967295.0L, false},
        DecodeCase{{0xFF, 0xFF, 0xFF, 0xFF}, Choice::SignedInteger, false, -1, false},
        DecodeCase{{0x00, 0x00, 0x00, 0x80}, Choice::SignedInteger, false, -2147483648.0L, false},
        DecodeCase{{200}, Choice::SignedInteger, false, 200, false},
        DecodeCase{{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, Choice::UnsignedInteger, false, 1.5L, true},
        DecodeCase{{0x3F, 0xF8, 0, 0, 0, 0, 0, 0}, Choice::Real, true, 1.5L, true}));

TEST(Decoding, SignallingNanIsReadWithoutError)
{
    TempDir dir;
    ScriptedWindow window;
    window.state.InputFilename = dir.write("nan.raw", std::vector<uint8_t>{0x01, 0x00, 0x80, 0x7F});
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::BitsPerSample, "32");
    window.check(Choice::Real);
    ASSERT_TRUE(ReadFormatParameters(window));
    SampleReader reader(window);
    EXPECT_TRUE(std::isnan(reader.ReadDataValue(1, 1, 1)));
}

TEST(Decoding, EveryTwoByteValueRoundTrips)
{
    for (bool reverse : {false, true}) {
        for (uint32_t v = 0; v <= 0xFFFF; ++v) {
            const uint8_t lo = v & 0xFF, hi = v >> 8;
            const uint8_t bytes[2] = {reverse ? hi : lo, reverse ? lo : hi};
            const long double u = decodeSample(bytes, {SampleKind::U16, reverse});
            const long double s = decodeSample(bytes, {SampleKind::I16, reverse});
            ASSERT_EQ(u, static_cast<long double>(v));
            ASSERT_EQ(s, static_cast<long double>(static_cast<int16_t>(v)));
        }
    }
}

// The tiles' lines go straight to their places: more pieces than one system
// call takes, each filled from the bytes after the previous one's.
TEST(ByteSourcePieces, FillEachPieceInTurn)
{
    TempDir dir;
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    ByteSource source(dir.write("p.raw", bytes));
    std::vector<uint8_t> reversed(4998);
    std::vector<ByteSource::Piece> pieces;
    for (size_t i = 0; i < 2499; ++i) pieces.push_back({reversed.data() + reversed.size() - 2 * (i + 1), 2});
    source.readPieces(2, pieces);
    for (size_t i = 0; i < 2499; ++i) {
        EXPECT_EQ(reversed[reversed.size() - 2 * (i + 1)], bytes[2 + 2 * i]) << i;
        EXPECT_EQ(reversed[reversed.size() - 2 * (i + 1) + 1], bytes[3 + 2 * i]) << i;
    }
    pieces.push_back({reversed.data(), 3});
    EXPECT_EQ(errorOf([&] { source.readPieces(2, pieces); }), "Read beyond end of file");
}

TEST(ReadErrors, MissingBytesAndBadPositions)
{
    TempDir dir;
    ScriptedWindow window;
    // A header of 4 bytes and 3 two-byte samples, the last one byte short.
    window.state.InputFilename = dir.write("short.raw", std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 2, 0, 3});
    window.setBoxText(Box::HeaderBytes, "4");
    window.setBoxText(Box::BitsPerSample, "16");
    window.setBoxText(Box::NumSamples, "3");
    ASSERT_TRUE(ReadFormatParameters(window));
    SampleReader reader(window);
    EXPECT_EQ(reader.ReadDataValue(1, 1, 2), 2);
    EXPECT_EQ(errorOf([&] { reader.ReadDataValue(1, 1, 3); }), "Read beyond end of file");
    EXPECT_EQ(errorOf([&] { reader.ReadDataValue(1, 1, -5); }), "I/O error 131");
    // A sample number of 0 that still lies inside the file is read.
    EXPECT_EQ(reader.ReadDataValue(1, 1, 0), 0);
}

TEST(ReadErrors, PositionsPastTheEndUpToTheTopOfSixtyFourBits)
{
    TempDir dir;
    ByteSource source(dir.write("16.raw", std::vector<uint8_t>(16, 9)));
    constexpr int64_t top = std::numeric_limits<int64_t>::max();
    const struct {
        int64_t position;
        size_t n;
    } rows[] = {{16, 1}, {15, 2}, {top, 1}, {top - 1, 8}, {top - 16, 16}, {int64_t{1} << 62, 1}};
    for (const auto& row : rows) {
        // With the buffer filled from the start of the file, and then empty after an error.
        ASSERT_EQ(*source.view(15, 1), 9);
        EXPECT_EQ(errorOf([&] { source.view(row.position, row.n); }), "Read beyond end of file") << row.position;
        EXPECT_EQ(errorOf([&] { source.view(row.position, row.n); }), "Read beyond end of file") << row.position;
    }
}

TEST(ReadErrors, OpeningFailures)
{
    TempDir dir;
    ScriptedWindow window;
    window.state.InputFilename = dir.file("missing.IMG");
    EXPECT_EQ(errorOf([&] { SampleReader reader(window); }), "File not found");
    window.state.InputFilename = dir.path().string();
    EXPECT_EQ(errorOf([&] { SampleReader reader(window); }), "File access denied");
    window.state.InputFilename = dir.file("missing-folder/x.IMG");
    EXPECT_EQ(errorOf([&] { SampleReader reader(window); }), "File not found");
}

TEST(LargeFiles, SamplesBeyondTwoGigabytesAreRead)
{
    TempDir dir;
    const int64_t size = 3LL << 30;
    const int64_t position = size - 2;  // the last two-byte sample of the file
    ScriptedWindow window;
    window.state.InputFilename = dir.writeSparse("big.raw", size, position, {0x34, 0x12});
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::BitsPerSample, "16");
    window.setBoxText(Box::NumSamples, "32768");  // 65536 bytes a line
    ASSERT_TRUE(ReadFormatParameters(window));
    SampleReader reader(window);
    const int32_t line = static_cast<int32_t>(size / 65536);
    EXPECT_EQ(reader.ReadDataValue(line, 1, 32768), 4660);
    EXPECT_EQ(reader.ReadDataValue(line, 1, 32767), 0);
    EXPECT_EQ(errorOf([&] { reader.ReadDataValue(line + 1, 1, 1); }), "Read beyond end of file");
}

TEST(LargeFiles, PositionsOutsideSixtyFourBitsAreIntegerOverflow)
{
    RasterLayout layout;
    layout.HeaderBytes = 2147483647;
    layout.BytesPerSample = 8;
    layout.Structure = BandStructure::BSQ;
    layout.InnerStepBytes = 1;
    layout.OuterStepBytes = std::numeric_limits<int64_t>::max() / 2;
    EXPECT_EQ(errorOf([&] { samplePosition(layout, 1, 3, 1); }), "Integer overflow");
    layout.OuterStepBytes = std::numeric_limits<int64_t>::max() - 2147483647;
    EXPECT_EQ(samplePosition(layout, 1, 2, 1), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(errorOf([&] { samplePosition(layout, 1, 2, 2); }), "Integer overflow");
}

TEST(Runs, AgreeWithSingleReadsAndStopAtTheEnd)
{
    TempDir dir;
    std::vector<uint8_t> bytes(3 * 10 + 5);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ScriptedWindow window;
    window.state.InputFilename = dir.write("bip.raw", bytes);
    window.setBoxText(Box::HeaderBytes, "1");
    window.setBoxText(Box::NumSamples, "20");
    window.setBoxText(Box::NumBands, "3");
    window.setBoxText(Box::BandNum, "2");
    window.check(Choice::BIP);
    ASSERT_TRUE(ReadFormatParameters(window));
    SampleReader reader(window);
    const RawRun run = reader.viewRun(1, 2, 1, 20);
    // 34 bytes after the header: samples at 1+1+3k for k = 0..10 fit.
    ASSERT_EQ(run.count, 11);
    std::vector<long double> values(static_cast<size_t>(run.count));
    reader.decodeRun(run, currentSampleFormat(window, 1), values.data());
    for (int32_t s = 1; s <= run.count; ++s) EXPECT_EQ(values[static_cast<size_t>(s - 1)], reader.ReadDataValue(1, 2, s));
    EXPECT_EQ(reader.viewRun(1, 2, 12, 5).count, 0);
    EXPECT_EQ(errorOf([&] { reader.ReadDataValue(1, 2, 12); }), "Read beyond end of file");
}

TEST(FormatRealValue, DigitsFollowTheSampleWidth)
{
    EXPECT_EQ(FormatRealValue(1.5L, 4), "1.5000000E+00");
    EXPECT_EQ(FormatRealValue(1.5L, 8), "1.500000000000000E+00");
    EXPECT_EQ(FormatRealValue(-0.00025L, 4), "-2.5000000E-04");
    EXPECT_EQ(FormatRealValue(1.0E+300L, 8), "1.000000000000000E+300");
    EXPECT_EQ(FormatRealValue(static_cast<long double>(0.1f), 4), "1.0000000E-01");
}

}  // namespace
}  // namespace skeldra
