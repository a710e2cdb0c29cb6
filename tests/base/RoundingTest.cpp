// SPDX-License-Identifier: BSD-3-Clause
#include "base/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/Errors.h"

namespace skeldra {
namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    struct Row {
        long double value;
        int64_t rounded;
    };
    const Row rows[] = {
        {0.5L, 0},     {1.5L, 2},    {2.5L, 2},     {-0.5L, 0},  {-1.5L, -2},
        {-2.5L, -2},   {0x0.FFFFFFFFFFFFFFFFp-1L, 0},  // largest below 1/2
        {0x1.4000000000000002p+1L, 3},  // smallest above 2.5
        {4503599627370496.5L, 4503599627370496},  // 2^52 + 1/2
        {9007199254740993.5L, 9007199254740994},  // beyond double precision
        {0x7FFFFFFFFFFFFFFFp0L, std::numeric_limits<int64_t>::max()},
        {-0x8000000000000000p0L, std::numeric_limits<int64_t>::min()},
    };
    for (const Row& row : rows) EXPECT_EQ(roundToInt64(row.value), row.rounded) << row.rounded;
}

TEST(Rounding, OutsideTheRangeAndNaNAreInvalidOperations)
{
    const long double invalid[] = {
        0x8000000000000000p0L,   // 2^63
        -0x8000000000000001p0L,  // -2^63 - 1
        1e30L,
        std::numeric_limits<long double>::infinity(),
        -std::numeric_limits<long double>::infinity(),
        std::numeric_limits<long double>::quiet_NaN(),
    };
    for (long double value : invalid) {
        EXPECT_FALSE(tryRoundToInt64(value).has_value());
        try {
            roundToInt64(value);
            ADD_FAILURE() << "no error for " << value;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Invalid floating point operation");
        }
    }
}

TEST(Rounding, RealToRealHasNoRangeLimit)
{
    EXPECT_EQ(roundHalfEven(0x1p70L + 0.0L), 0x1p70L);
    EXPECT_EQ(roundHalfEven(-3.5L), -4.0L);
    EXPECT_EQ(roundHalfEven(1e4000L), 1e4000L);
}

}  // namespace
}  // namespace skeldra
