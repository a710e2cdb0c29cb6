// SPDX-License-Identifier: BSD-3-Clause
// The two forms of the non-data value and the comparison by sample width.
#include <gtest/gtest.h>

#include <limits>

#include "raster/NonDataTest.h"
#include "support/ScriptedWindow.h"

namespace skeldra {
namespace {

using testing::ScriptedWindow;

struct FormCase {
    long double value;
    float single;
    double dbl;
};

TEST(NonDataForms, RoundToEachWidthAndGiveZeroBeyondItsRange)
{
    const FormCase cases[] = {
        {0.1L, 0.1f, 0.1},
        {16777217, 16777216.0f, 16777217.0},
        {1E39L, 0.0f, 1E39},
        {-1E39L, 0.0f, -1E39},
        {1E300L, 0.0f, 1E300},
        {1E310L, 0.0f, 0.0},
        {-1E4000L, 0.0f, 0.0},
        // Just above the largest 4-byte real but rounding to it: no overflow.
        {static_cast<long double>(std::numeric_limits<float>::max()) * (1 + 1E-9L),
         std::numeric_limits<float>::max(), static_cast<double>(std::numeric_limits<float>::max()) * (1 + 1E-9)},
        {1E-50L, 0.0f, 1E-50},  // too small for 4 bytes: zero, without error
    };
    for (const FormCase& c : cases) {
        EXPECT_EQ(singleNonDataForm(c.value), c.single) << static_cast<double>(c.value);
        EXPECT_EQ(doubleNonDataForm(c.value), c.dbl) << static_cast<double>(c.value);
    }
}

TEST(NonDataForms, BoxIsReadOncePerFormOnlyWhenIgnoring)
{
    ScriptedWindow window;
    window.setBoxText(Box::NonDataValue, "1x");
    const NonDataTest off = MakeNonDataTest(window, false);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(off.SingleForm, 0.0f);
    EXPECT_EQ(off.DoubleForm, 0.0);

    MakeNonDataTest(window, true);
    // The entry is validated once; the substitution is reported at each read.
    ASSERT_EQ(window.messages().size(), 3u);
    EXPECT_EQ(window.messages()[1].rfind("Substituting", 0), 0u);
    EXPECT_EQ(window.messages()[2], window.messages()[1]);

    window.setBoxText(Box::NonDataValue, "0.1");
    const NonDataTest on = MakeNonDataTest(window, true);
    EXPECT_EQ(on.SingleForm, 0.1f);
    EXPECT_EQ(on.DoubleForm, 0.1);
}

TEST(IsNonDataValue, ComparesWithTheFormOfTheSampleWidth)
{
    const NonDataTest test{0.1f, 0.1};
    const long double single = 0.1f, dbl = 0.1;
    struct Row {
        long double value;
        int32_t bytesPerSample;
        bool ignore;
        bool expected;
    };
    const Row rows[] = {
        {single, 4, true, true},  {dbl, 4, true, false},   {dbl, 8, true, true},
        {single, 8, true, false}, {single, 4, false, false}, {dbl, 8, false, false},
        {std::numeric_limits<long double>::quiet_NaN(), 4, true, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsNonDataValue(test, r.value, r.bytesPerSample, r.ignore), r.expected)
            << static_cast<double>(r.value) << " " << r.bytesPerSample << " " << r.ignore;

}

}  // namespace
}  // namespace skeldra
