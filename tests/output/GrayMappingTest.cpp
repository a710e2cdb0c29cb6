// SPDX-License-Identifier: BSD-3-Clause
// Raw values to gray levels: range, gamma rules, clamping, non-data and
// non-finite values, and the 8/16-bit tables against the formula.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "output/GrayMapping.h"
#include "support/ErrorText.h"

namespace skeldra {
namespace {

using testing::errorOf;

constexpr long double inf = std::numeric_limits<long double>::infinity();
constexpr long double nan = std::numeric_limits<long double>::quiet_NaN();

struct LevelCase {
    long double min, max, gamma, value;
    bool nonData;
    int level;
};

class Levels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(Levels, MapValueToLevel)
{
    const LevelCase& c = GetParam();
    EXPECT_EQ(GrayLevel(MakeGrayMapping(c.min, c.max, c.gamma), c.value, c.nonData), c.level)
        << "min " << static_cast<double>(c.min) << " max " << static_cast<double>(c.max) << " gamma "
        << static_cast<double>(c.gamma) << " value " << static_cast<double>(c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Levels,
    ::testing::Values(
        // Linear, 1 gives 127.5 which goes to the even 128; clamped both ways.
        LevelCase{0, 2, 1, -1, false, 0}, LevelCase{0, 2, 1, 0, false, 0}, LevelCase{0, 2, 1, 1, false, 128},
        LevelCase{0, 2, 1, 2, false, 255}, LevelCase{0, 2, 1, 3, false, 255},
        // 63.75 and 180.31: gamma is the exponent itself.
        LevelCase{0, 1, 2, 0.5L, false, 64}, LevelCase{0, 1, 0.5L, 0.5L, false, 180},
        // 0.5^3 = 0.125 -> 31.875; 0.5^1.5 = 0.35355 -> 90.16.
        LevelCase{0, 1, 3, 0.5L, false, 32}, LevelCase{0, 1, 1.5L, 0.5L, false, 90},
        // Degenerate ranges map everything to 0, also far above the maximum.
        LevelCase{5, 5, 1, 6, false, 0}, LevelCase{5, 4, 1, 1e30L, false, 0}, LevelCase{5, 4, 2, 4.5L, false, 0},
        // Gamma 0: 255 for everything, below the minimum and non-data too.
        LevelCase{0, 10, 0, -5, false, 255}, LevelCase{0, 10, 0, 3, true, 255}, LevelCase{0, 10, 0, nan, false, 255},
        // Far above the maximum, without overflow in the power.
        LevelCase{0, 1, 1, 1e30L, false, 255}, LevelCase{0, 1, 0.5L, 1e4000L, false, 255},
        LevelCase{-1e4000L, 1e4000L, 3, 1e4900L, false, 255},
        // A gamma too large for square-and-multiply goes through exp and ln.
        LevelCase{0, 1, 4e9L, 0.9999999999L, false, 171}, LevelCase{0, 1, 4294967296.0L, 0.5L, false, 0},
        // Non-data is drawn like the minimum.
        LevelCase{-100, 100, 1, 0, true, 0}, LevelCase{-100, 100, 1, 1, false, 129},
        LevelCase{-100, 100, 1, 0, false, 128},
        // Non-finite values: +INF is above any maximum, -INF below, NaN like the minimum.
        LevelCase{0, 10, 1, inf, false, 255}, LevelCase{0, 10, 0.5L, -inf, false, 0},
        LevelCase{0, 10, 1, nan, false, 0}, LevelCase{7, 7, 1, inf, false, 0}));

TEST(GrayMapping, WholeMappingOfZeroTo255IsTheIdentity)
{
    const GrayMapping mapping = MakeGrayMapping(0, 255, 1);
    for (int v = 0; v <= 255; ++v) EXPECT_EQ(GrayLevel(mapping, v, false), v);
}

TEST(GrayMapping, LevelsFollowTheClosedFormAwayFromHalves)
{
    // An independent evaluation in double precision agrees wherever the
    // exact level is not within rounding noise of a half.
    for (long double gamma : {0.3L, 0.5L, 1.0L, 2.0L, 2.2L, 5.0L}) {
        const GrayMapping mapping = MakeGrayMapping(-20, 1000, gamma);
        for (int v = -20; v <= 1000; v += 3) {
            const double scaled = 255 * std::pow((v + 20) / 1020.0, static_cast<double>(gamma));
            if (std::abs(scaled - std::floor(scaled) - 0.5) < 1e-6) continue;
            EXPECT_EQ(GrayLevel(mapping, v, false), static_cast<int>(std::lround(scaled)))
                << "gamma " << static_cast<double>(gamma) << " value " << v;
        }
    }
}

TEST(GrayMapping, NegativeGammaIsRefused)
{
    EXPECT_EQ(errorOf([] { MakeGrayMapping(0, 1, -0.5L); }), "Gamma must not be negative");
    EXPECT_EQ(errorOf([] { checkedGamma(-1); }), "Gamma must not be negative");
    EXPECT_EQ(errorOf([] { MakeGrayMapping(0, 1, 0); }), "");
}

struct TableCase {
    SampleKind kind;
    bool mostSignificantFirst;
    bool ignore;
};

class Tables : public ::testing::TestWithParam<TableCase> {};

TEST_P(Tables, EveryEntryIsTheLevelOfItsDecodedBytes)
{
    const TableCase& c = GetParam();
    const int32_t bytesPerSample = c.kind == SampleKind::U8 ? 1 : 2;
    const GrayMapping mapping = MakeGrayMapping(-3000, 40000, 0.45L);
    const float nonDataValue = bytesPerSample == 1 ? 200 : 1234;
    NonDataTest test;
    test.SingleForm = nonDataValue;
    test.DoubleForm = nonDataValue;
    GrayTable table(mapping, test, bytesPerSample);
    // Ask for another format first: the table must be made again for this one.
    table.levels({SampleKind::U8, false}, !c.ignore);
    const SampleFormat format{c.kind, c.mostSignificantFirst};
    const uint8_t* levels = table.levels(format, c.ignore);
    const int entries = bytesPerSample == 1 ? 256 : 65536;
    for (int raw = 0; raw < entries; ++raw) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(raw & 0xFF), static_cast<uint8_t>(raw >> 8)};
        const long double value = decodeSample(bytes, format);
        const bool nonData = c.ignore && value == nonDataValue;
        ASSERT_EQ(levels[raw], GrayLevel(mapping, value, nonData)) << "raw " << raw;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Tables,
                         ::testing::Values(TableCase{SampleKind::U8, false, false}, TableCase{SampleKind::U8, true, true},
                                           TableCase{SampleKind::U16, false, true},
                                           TableCase{SampleKind::U16, true, false},
                                           TableCase{SampleKind::I16, false, false},
                                           TableCase{SampleKind::I16, true, true}));

}  // namespace
}  // namespace skeldra
