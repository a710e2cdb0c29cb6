// SPDX-License-Identifier: BSD-3-Clause
// The step table for real samples must give GrayLevel's level for every
// value: random values, values packed around the steps, tiny values whose
// distance to the minimum rounds to the same extended real, and infinities.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "output/RealGrayLevels.h"

namespace skeldra {
namespace {

struct MappingCase {
    long double min, max, gamma;
};

template <typename Real>
std::vector<Real> probeValues(const MappingCase& c)
{
    std::vector<Real> values = {0, -0.0, std::numeric_limits<Real>::infinity(), -std::numeric_limits<Real>::infinity(),
                                std::numeric_limits<Real>::max(), std::numeric_limits<Real>::lowest(),
                                std::numeric_limits<Real>::denorm_min(), static_cast<Real>(c.min),
                                static_cast<Real>(c.max)};
    std::mt19937_64 random(42);
    const double lo = static_cast<double>(c.min), hi = static_cast<double>(c.max);
    const double span = hi > lo ? hi - lo : 1;
    std::uniform_real_distribution<double> inRange(lo - span / 10, hi + span / 10);
    std::uniform_real_distribution<double> exponent(-45, 5);
    for (int i = 0; i < 200000; ++i) values.push_back(static_cast<Real>(inRange(random)));
    for (int i = 0; i < 20000; ++i) {
        const double tiny = std::pow(10.0, exponent(random));
        values.push_back(static_cast<Real>(i % 2 ? tiny : -tiny));
    }
    // The neighbours of the value at each level's rounding boundary.
    for (int level = 0; level <= 255; ++level) {
        const long double x = std::pow((level + 0.5L) / 255, 1 / (c.gamma > 0 ? c.gamma : 1));
        Real v = static_cast<Real>(c.min + x * (c.max - c.min));
        for (int j = 0; j < 40; ++j) v = std::nextafter(v, -std::numeric_limits<Real>::infinity());
        for (int j = 0; j < 80; ++j, v = std::nextafter(v, std::numeric_limits<Real>::infinity())) values.push_back(v);
    }
    return values;
}

template <typename Real>
void expectFormulaLevels(const MappingCase& c)
{
    const GrayMapping mapping = MakeGrayMapping(c.min, c.max, c.gamma);
    const RealGrayLevels<Real> table(mapping);
    int wrong = 0;
    for (const Real v : probeValues<Real>(c)) {
        const int expected = GrayLevel(mapping, v, false);
        const int got = table.level(v);
        if (got != expected && ++wrong <= 5)
            ADD_FAILURE() << "value " << static_cast<double>(v) << ": " << got << " instead of " << expected;
    }
    EXPECT_EQ(wrong, 0);
}

class RealLevels : public ::testing::TestWithParam<MappingCase> {};

TEST_P(RealLevels, SingleSamplesGetTheFormulasLevel) { expectFormulaLevels<float>(GetParam()); }
TEST_P(RealLevels, DoubleSamplesGetTheFormulasLevel) { expectFormulaLevels<double>(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Mappings, RealLevels,
    ::testing::Values(MappingCase{-1000, 1000, 1}, MappingCase{-1000, 1000, 0.5L},
                      // Zero maps to x = 0.25, whose square root is exactly a rounding boundary.
                      MappingCase{-250, 750, 0.5L}, MappingCase{0, 1, 2}, MappingCase{-1e-30L, 1e-30L, 0.333L},
                      MappingCase{5, 5, 1}, MappingCase{7, -3, 1}, MappingCase{0, 255, 0}, MappingCase{100, 100.0001L, 3.7L},
                      MappingCase{-3e38L, 3e38L, 1e-5L}));

TEST(RealLevelKeys, OrderLikeTheValues)
{
    const std::vector<float> ordered = {-std::numeric_limits<float>::infinity(), -1e30f, -1, -1e-40f, 0, 1e-40f, 1, 1e30f,
                                        std::numeric_limits<float>::infinity()};
    for (size_t i = 1; i < ordered.size(); ++i)
        EXPECT_LT(RealGrayLevels<float>::key(ordered[i - 1]), RealGrayLevels<float>::key(ordered[i])) << ordered[i];
    EXPECT_EQ(RealGrayLevels<double>::valueOf(RealGrayLevels<double>::key(-2.5)), -2.5);
}

}  // namespace
}  // namespace skeldra
