// SPDX-License-Identifier: BSD-3-Clause
// The statistics read runs of samples between event pumps. Whatever the run
// length, buffer boundaries, strides and listing, the result must be the one
// of reading point by point: checked against a plain reference scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "base/Format.h"
#include "raster/RealFormat.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;

// Lines of 1400 samples of 3 bands (BIP) or one: with 2-byte samples the
// file passes the reader's 1 MiB buffer several times.
constexpr int samplesPerLine = 1400;
constexpr int lines = 400;

struct Kind {
    const char* name;
    int bytes;
    Choice type;
    bool mostSignificantFirst;
};

struct ExactCase {
    Kind kind;
    int bands;  // 1: no bands; 3: BIP, band 2
    const char* nonData;  // nullptr: the ignore box is clear
};

void PrintTo(const ExactCase& c, std::ostream* out) { *out << c.kind.name << " bands " << c.bands; }

// A value drawn from a small range, so that ties are frequent and the first
// positions matter; exact in the sample type; reals get the odd NaN and
// negative infinity.
long double drawValue(std::mt19937& random, const Kind& kind)
{
    const int pick = static_cast<int>(random() % 1000);
    const bool isReal = kind.type == Choice::Real || kind.bytes == 8;
    if (isReal && pick == 0) return std::numeric_limits<long double>::quiet_NaN();
    if (isReal && pick == 1) return -std::numeric_limits<long double>::infinity();
    if (kind.bytes == 1) return (pick % 40) * 6;
    long double v = (pick % 40) * 37 - (kind.type == Choice::UnsignedInteger ? 0 : 700);
    const bool wide = kind.bytes == 8 || (kind.bytes == 4 && kind.type != Choice::Real);
    if (wide && pick % 97 == 0) v *= 1000003;  // beyond 16 bits
    return v;
}

template <typename T>
void put(uint8_t* at, T x, bool mostSignificantFirst)
{
    std::memcpy(at, &x, sizeof(T));
    if (mostSignificantFirst) std::reverse(at, at + sizeof(T));
}

void putSample(uint8_t* at, long double v, const Kind& kind)
{
    const bool msb = kind.mostSignificantFirst;
    const bool isUnsigned = kind.type == Choice::UnsignedInteger;
    switch (kind.bytes) {
    case 1: return put(at, static_cast<uint8_t>(v), msb);
    case 2: return isUnsigned ? put(at, static_cast<uint16_t>(v), msb) : put(at, static_cast<int16_t>(v), msb);
    case 4:
        if (kind.type == Choice::Real) return put(at, static_cast<float>(v), msb);
        return isUnsigned ? put(at, static_cast<uint32_t>(v), msb) : put(at, static_cast<int32_t>(v), msb);
    default: return put(at, static_cast<double>(v), msb);
    }
}

// Areas that start neither at the first line nor at the first sample.
struct Area {
    int startLine, endLine, startSample, endSample;
    size_t points() const
    {
        return static_cast<size_t>(endLine - startLine + 1) * static_cast<size_t>(endSample - startSample + 1);
    }
};
constexpr Area wholeArea{3, lines, 17, samplesPerLine - 5};
// Listing writes a line per point: a smaller area keeps the test quick.
constexpr Area listedArea{3, 12, 17, samplesPerLine - 5};

// The reference: every point in line-then-sample order, strict comparisons.
std::vector<std::string> referenceSummary(const std::vector<std::vector<long double>>& values, const ExactCase& c,
                                          const Area& a)
{
    const bool isReal = c.kind.bytes == 8 || c.kind.type == Choice::Real;
    const bool ignore = c.nonData != nullptr;
    const long double nonData = ignore ? std::strtold(c.nonData, nullptr) : 0;
    const long double form = c.kind.bytes == 8 ? static_cast<long double>(static_cast<double>(nonData))
                                               : static_cast<long double>(static_cast<float>(nonData));
    long double minimum = 0, maximum = 0;
    int minLine = 0, minSample = 0, maxLine = 0, maxSample = 0, count = 0;
    bool any = false;
    for (int l = a.startLine; l <= a.endLine; ++l)
        for (int s = a.startSample; s <= a.endSample; ++s) {
            const long double v = values[l - 1][s - 1];
            if (ignore && v == form) {
                ++count;
                continue;
            }
            if (std::isnan(v)) continue;
            if (!any || v < minimum) minimum = v, minLine = l, minSample = s;
            if (!any || v > maximum) maximum = v, maxLine = l, maxSample = s;
            any = true;
        }
    auto text = [&](long double v) {
        return isReal ? FormatRealValue(v, c.kind.bytes) : formatInteger(static_cast<int64_t>(v));
    };
    std::vector<std::string> summary = {format("Min data: %s at (%d, %d)   Max data: %s  at (%d, %d)",
                                               {text(minimum), int64_t{minLine}, int64_t{minSample}, text(maximum),
                                                int64_t{maxLine}, int64_t{maxSample}})};
    if (ignore) summary.push_back(format("%d points with Non-data value: ", {int64_t{count}}));
    return summary;
}

class AreaScanExactness : public ::testing::TestWithParam<ExactCase> {
protected:
    void SetUp() override
    {
        const ExactCase& c = GetParam();
        std::mt19937 random(1234 + static_cast<unsigned>(c.kind.bytes) * 7 + static_cast<unsigned>(c.bands));
        values_.assign(lines, std::vector<long double>(samplesPerLine));
        Bytes bytes(static_cast<size_t>(lines) * samplesPerLine * c.bands * c.kind.bytes + 64);
        for (int l = 0; l < lines; ++l)
            for (int s = 0; s < samplesPerLine; ++s)
                for (int b = 0; b < c.bands; ++b) {
                    const long double v = drawValue(random, c.kind);
                    const size_t offset = 64 + (static_cast<size_t>(l) * samplesPerLine * c.bands +
                                                static_cast<size_t>(s) * c.bands + b) * c.kind.bytes;
                    putSample(&bytes[offset], v, c.kind);
                    if (b == c.bands / 2) values_[l][s] = v;
                }
        path_ = dir_.write("Test.IMG", bytes);
    }

    // The summary lines of one scan: the log from the empty line before it.
    std::vector<std::string> scan(const Area& a, bool pumpEverySample, bool listPoints, size_t* listed = nullptr)
    {
        const ExactCase& c = GetParam();
        ScriptedWindow window;
        MainWindow main(window);
        main.FormCreate();
        window.pumpEverySample = pumpEverySample;
        window.state.InputFilename = path_;
        window.setBoxText(Box::HeaderBytes, "64");
        window.setBoxText(Box::NumSamples, std::to_string(samplesPerLine));
        window.setBoxText(Box::BitsPerSample, std::to_string(c.kind.bytes * 8));
        window.check(c.kind.type);
        window.setChecked(Choice::ReverseBytes, c.kind.mostSignificantFirst);
        if (c.bands > 1) {
            window.check(Choice::BIP);
            window.setBoxText(Box::NumBands, std::to_string(c.bands));
            window.setBoxText(Box::BandNum, std::to_string(c.bands / 2 + 1));
        }
        window.setBoxText(Box::StartLine, std::to_string(a.startLine));
        window.setBoxText(Box::EndLine, std::to_string(a.endLine));
        window.setBoxText(Box::StartSample, std::to_string(a.startSample));
        window.setBoxText(Box::EndSample, std::to_string(a.endSample));
        if (c.nonData) {
            window.setChecked(Choice::IgnoreNonDataValue, true);
            window.setBoxText(Box::NonDataValue, c.nonData);
        }
        window.setChecked(Choice::ListPoints, listPoints);
        window.clearLog();
        main.Histogram_ButtonClick();
        EXPECT_TRUE(window.errors().empty()) << window.errors().front();
        std::vector<std::string> log = window.log();
        const size_t band = c.bands > 1 ? 1 : 0;
        const size_t points = listPoints ? a.points() + 1 : 0;
        if (listed) *listed = log.size() >= band + points ? points : 0;
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(std::min(log.size(), band + points)));
        log.pop_back();  // the closing empty line
        return log;
    }

    using Bytes = std::vector<uint8_t>;
    TempDir dir_;
    std::string path_;
    std::vector<std::vector<long double>> values_;
};

TEST_P(AreaScanExactness, LongRunsGiveThePointByPointResult)
{
    std::vector<std::string> expected = referenceSummary(values_, GetParam(), wholeArea);
    std::vector<std::string> longRuns = scan(wholeArea, false, false);
    // The count line ends with the non-data value, in the format of the data.
    if (expected.size() == 2 && longRuns.size() == 2)
        expected[1] += longRuns[1].substr(std::min(longRuns[1].size(), expected[1].size()));
    EXPECT_EQ(longRuns, expected);
    EXPECT_EQ(scan(wholeArea, true, false), longRuns);
}

TEST_P(AreaScanExactness, ListingGivesTheSameSummary)
{
    size_t listed = 0;
    EXPECT_EQ(scan(listedArea, false, true, &listed), scan(listedArea, false, false));
    EXPECT_GT(listed, 0u);
}

const Kind u8{"u8", 1, Choice::UnsignedInteger, false};
const Kind u16msb{"u16msb", 2, Choice::UnsignedInteger, true};
const Kind i16{"i16", 2, Choice::SignedInteger, false};
const Kind u32{"u32", 4, Choice::UnsignedInteger, false};
const Kind i32msb{"i32msb", 4, Choice::SignedInteger, true};
const Kind f32{"f32", 4, Choice::Real, false};
const Kind f64msb{"f64msb", 8, Choice::Real, true};

INSTANTIATE_TEST_SUITE_P(Kinds, AreaScanExactness,
                         // Non-data values at the bottom of the range and inside it.
                         ::testing::Values(ExactCase{u8, 1, nullptr}, ExactCase{u8, 1, "0"}, ExactCase{u8, 3, "0"},
                                           ExactCase{u16msb, 1, "0"}, ExactCase{u16msb, 1, "37"},
                                           ExactCase{i16, 3, "-700"}, ExactCase{i16, 1, "-700"},
                                           ExactCase{u32, 1, "74"}, ExactCase{i32msb, 3, "-663"},
                                           ExactCase{i32msb, 1, nullptr}, ExactCase{f32, 1, "0"},
                                           ExactCase{f32, 3, nullptr}, ExactCase{f64msb, 1, "111"},
                                           ExactCase{f64msb, 3, nullptr}));

}  // namespace
}  // namespace skeldra
