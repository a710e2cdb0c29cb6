// SPDX-License-Identifier: BSD-3-Clause
// Colour composites: each channel stretched by its own range, the three
// bands read in one pass where they lie side by side, and the histogram's
// bins counted alike whichever way the values were kept.
#include <gtest/gtest.h>

#include <cmath>

#include "OutputHarness.h"
#include "analysis/AreaHistogram.h"
#include "output/ColourComposite.h"
#include "raster/FormatParameters.h"

namespace skeldra {
namespace {

using namespace testing;

constexpr int lines = 3;
constexpr int samples = 4;

// Band b (1-based) at (line, sample): ranges of 5, 255 and 51, whose levels
// are whole numbers, so the expected levels need no rounding.
int value(int band, int line, int sample)
{
    const int k = (line - 1) * samples + (sample - 1);  // 0..11
    if (band == 1) return 10 + k % 6;                    // 10..15
    if (band == 2) return k == 11 ? 255 : k * 23;        // 0..255
    return 100 + (k * 17) % 52;                          // 100..151
}

Bytes layoutBytes(const char* structure)
{
    Bytes bytes;
    const std::string s = structure;
    if (s == "bsq") {
        for (int b = 1; b <= 3; ++b)
            for (int l = 1; l <= lines; ++l)
                for (int x = 1; x <= samples; ++x) bytes.push_back(static_cast<uint8_t>(value(b, l, x)));
    } else if (s == "bil") {
        for (int l = 1; l <= lines; ++l)
            for (int b = 1; b <= 3; ++b) {
                for (int x = 1; x <= samples; ++x) bytes.push_back(static_cast<uint8_t>(value(b, l, x)));
                bytes.push_back(0xEE);  // a band pad byte
            }
    } else {
        for (int l = 1; l <= lines; ++l)
            for (int x = 1; x <= samples; ++x)
                for (int b = 1; b <= 3; ++b) bytes.push_back(static_cast<uint8_t>(value(b, l, x)));
    }
    return bytes;
}

struct RgbCase {
    const char* structure;
    Choice choice;
    RgbBands bands;
    int nonData;  // -1: the ignore box clear
};

void PrintTo(const RgbCase& c, std::ostream* out)
{
    *out << c.structure << " " << c.bands[0] << c.bands[1] << c.bands[2] << " nodata " << c.nonData;
}

class ColourComposite : public ::testing::TestWithParam<RgbCase> {
protected:
    OutputHarness harness()
    {
        const RgbCase& c = GetParam();
        BoxTexts boxes{{Box::NumBands, "3"},
                       {Box::NumSingleImageLines, std::to_string(lines)},
                       {Box::NumBandPadBytes, std::string(c.structure) == "bil" ? "1" : "0"},
                       {Box::RedBand, std::to_string(c.bands[0])},
                       {Box::GreenBand, std::to_string(c.bands[1])},
                       {Box::BlueBand, std::to_string(c.bands[2])}};
        std::vector<Choice> choices{c.choice, Choice::RGB};
        if (c.nonData >= 0) {
            boxes.emplace_back(Box::NonDataValue, std::to_string(c.nonData));
            choices.push_back(Choice::IgnoreNonDataValue);
        }
        return OutputHarness(layoutBytes(c.structure), samples, lines, boxes, choices);
    }
};

// Each channel from its own minimum (level 0) to its own maximum (255);
// non-data drawn as the minimum.
TEST_P(ColourComposite, EachChannelIsStretchedByItsOwnRange)
{
    const RgbCase& c = GetParam();
    OutputHarness h = harness();
    const Lines log = h.convert();
    const Bytes bmp = h.outputBytes();
    ASSERT_EQ(bmp.size(), 54u + lines * samples * 3) << (log.empty() ? "" : log.back());
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int ch = 0; ch < 3; ++ch) {
        int low = 1000, high = -1;
        for (int l = 1; l <= lines; ++l)
            for (int x = 1; x <= samples; ++x)
                if (const int v = value(c.bands[ch], l, x); v != c.nonData) low = std::min(low, v), high = std::max(high, v);
        EXPECT_EQ(log.at(ch), std::string(names[ch]) + " band " + std::to_string(c.bands[ch]) + ":  Min data: " +
                                  std::to_string(low) + "   Max data: " + std::to_string(high));
        for (int l = 1; l <= lines; ++l)
            for (int x = 1; x <= samples; ++x) {
                const int v = value(c.bands[ch], l, x);
                const int level = v == c.nonData ? 0 : 255 * (v - low) / (high - low);
                // Rows bottom-up, blue, green, red in a pixel.
                const size_t at = 54 + (lines - l) * samples * 3 + (x - 1) * 3 + (2 - ch);
                EXPECT_EQ(bmp[at], level) << names[ch] << " at line " << l << " sample " << x;
            }
    }
    EXPECT_EQ(log.back(), "Image converted to: " + h.output);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ColourComposite,
                         ::testing::Values(RgbCase{"bip", Choice::BIP, {1, 2, 3}, -1},
                                           RgbCase{"bil", Choice::BIL, {3, 1, 2}, -1},
                                           RgbCase{"bsq", Choice::BSQ, {2, 3, 1}, -1},
                                           RgbCase{"bip", Choice::BIP, {3, 3, 1}, 13},
                                           RgbCase{"bsq", Choice::BSQ, {1, 2, 3}, 115}));

// A writer that keeps the values of its channel.
struct Collect {
    std::vector<int> values;
    void run(const RawRun& run, SampleFormat format, bool)
    {
        for (int32_t i = 0; i < run.count; ++i)
            values.push_back(static_cast<int>(decodeSample(run.bytes + i * run.stride, format)));
    }
    void value(long double v, bool, bool) { values.push_back(static_cast<int>(v)); }
    void endRow() {}
};

class ChannelReading : public ColourComposite {};

// The three bands of each row come from their own places; bands that lie
// side by side are read from the file once, not once per channel.
TEST_P(ChannelReading, ReadsEachBandOnceWhereTheyLieTogether)
{
    const RgbCase& c = GetParam();
    OutputHarness h = harness();
    ASSERT_TRUE(ReadFormatParameters(h.window));
    AreaOfInterest area;
    area.EndLine = lines;
    area.EndSample = samples;
    ChannelReaders readers(h.window, c.bands);
    RunPacer pacer(h.window);
    std::array<Collect, 3> collected;
    {
        ChannelRows<Collect> rows(readers, area, c.bands, pacer, RowBlocks::Direction::Down, 1 << 16);
        for (int l = 1; l <= lines; ++l) ASSERT_TRUE(rows.row(l, {&collected[0], &collected[1], &collected[2]}));
    }
    for (int ch = 0; ch < 3; ++ch) {
        std::vector<int> expected;
        for (int l = 1; l <= lines; ++l)
            for (int x = 1; x <= samples; ++x) expected.push_back(value(c.bands[ch], l, x));
        EXPECT_EQ(collected[ch].values, expected) << "channel " << ch;
    }
    if (readers.shared())
        EXPECT_LE(readers.reader(0).source().bytesRead(), static_cast<int64_t>(layoutBytes(c.structure).size()));
    else
        EXPECT_NE(c.choice, Choice::BIP);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ChannelReading,
                         ::testing::Values(RgbCase{"bip", Choice::BIP, {3, 1, 2}, -1},
                                           RgbCase{"bil", Choice::BIL, {2, 3, 1}, -1},
                                           RgbCase{"bsq", Choice::BSQ, {3, 2, 1}, -1}));

TEST(ColourComposite, TextOutputAndBandsOutsideTheFileAreRefused)
{
    OutputHarness text(layoutBytes("bip"), samples, lines, {{Box::NumBands, "3"}},
                       {Choice::BIP, Choice::RGB, Choice::TextOutput});
    text.convert();
    EXPECT_FALSE(std::filesystem::exists(text.output));
    EXPECT_NE(text.window.eventTexts(Event::Kind::Error).at(0).find("Text output holds one band"), std::string::npos);

    OutputHarness band(layoutBytes("bip"), samples, lines, {{Box::NumBands, "3"}, {Box::BlueBand, "4"}},
                       {Choice::BIP, Choice::RGB});
    band.convert();
    EXPECT_FALSE(std::filesystem::exists(band.output));
    EXPECT_EQ(band.window.eventTexts(Event::Kind::Error).at(0).rfind("Blue band must lie between 1 and 3", 0), 0u);
}

// A value on an edge opens the bin of that edge, one just below it stays in
// the bin before, and the maximum closes the last bin; whether the values
// were counted by code, kept, or counted in a pass of their own.
TEST(HistogramBins, EdgesAndTheThreeWaysOfCountingAgree)
{
    const auto edges = histogramEdges(-3.25, 1000.5);
    for (int b = 0; b < histogramBins; ++b) {
        EXPECT_EQ(histogramBin(edges, edges[b]), b);
        if (b > 0) EXPECT_EQ(histogramBin(edges, std::nextafter(edges[b], -1e300)), b - 1);
        EXPECT_LT(edges[b], edges[b + 1]);
    }
    EXPECT_EQ(histogramBin(edges, 1000.5), histogramBins - 1);

    HistogramCounter byCode, kept, counted;
    std::vector<int> values;
    for (int i = 0; i < 5000; ++i) values.push_back((i * 7919) % 3001 + 17);
    for (int v : values) {
        byCode.addValue(v, SampleKind::U16);
        kept.addValue(v, SampleKind::F64);
        counted.addValue(v, SampleKind::F64);
    }
    counted.startCountingPass();
    for (int v : values) counted.addValue(v, SampleKind::F64);
    const auto a = byCode.result(), b = kept.result(), c = counted.result();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->counts, b->counts);
    EXPECT_EQ(a->counts, c->counts);
    EXPECT_EQ(a->edges, histogramEdges(17, 3017));
    EXPECT_EQ(a->dataPoints, 5000);
    for (int v : values) {
        const int bin = histogramBin(a->edges, v);
        EXPECT_TRUE(a->edges[bin] <= v && (v < a->edges[bin + 1] || bin == histogramBins - 1));
    }
}

}  // namespace
}  // namespace skeldra
