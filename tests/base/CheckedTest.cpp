// SPDX-License-Identifier: BSD-3-Clause
#include "base/Checked.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace skeldra {
namespace {

constexpr int32_t max32 = std::numeric_limits<int32_t>::max();
constexpr int32_t min32 = std::numeric_limits<int32_t>::min();
constexpr int64_t max64 = std::numeric_limits<int64_t>::max();
constexpr int64_t min64 = std::numeric_limits<int64_t>::min();

void expectIntegerOverflow(const std::function<void()>& operation, const char* what)
{
    try {
        operation();
        ADD_FAILURE() << what << ": no overflow reported";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Integer overflow") << what;
    }
}

TEST(Checked, ResultsAtTheLimitsAreKept)
{
    EXPECT_EQ(add32(max32 - 1, 1), max32);
    EXPECT_EQ(sub32(min32 + 1, 1), min32);
    EXPECT_EQ(mul32(-65536, 32768), min32);
    EXPECT_EQ(mul32(46340, 46340), 2147395600);
    EXPECT_EQ(add64(max64, min64), -1);
    EXPECT_EQ(sub64(-1, max64), min64);
    EXPECT_EQ(mul64(int64_t{3037000499}, int64_t{3037000499}), int64_t{9223372030926249001});
    EXPECT_EQ(mul64(min64, int64_t{1}), min64);
}

TEST(Checked, OverflowRaisesIntegerOverflow)
{
    expectIntegerOverflow([] { add32(max32, 1); }, "add32 max+1");
    expectIntegerOverflow([] { add32(min32, -1); }, "add32 min-1");
    expectIntegerOverflow([] { sub32(min32, 1); }, "sub32 min-1");
    expectIntegerOverflow([] { sub32(0, min32); }, "sub32 0-min");
    expectIntegerOverflow([] { mul32(65536, 32768); }, "mul32 2^31");
    expectIntegerOverflow([] { mul32(min32, -1); }, "mul32 min*-1");
    expectIntegerOverflow([] { add64(max64, 1); }, "add64 max+1");
    expectIntegerOverflow([] { sub64(min64, 1); }, "sub64 min-1");
    expectIntegerOverflow([] { sub64(0, min64); }, "sub64 0-min");
    expectIntegerOverflow([] { mul64(min64, -1); }, "mul64 min*-1");
    expectIntegerOverflow([] { mul64(int64_t{3037000500}, int64_t{3037000500}); }, "mul64 square");
    // A 32-bit product that a 64-bit one would hold: boxes stay 32-bit.
    expectIntegerOverflow([] { mul32(100000, 100000); }, "mul32 1e10");
}

}  // namespace
}  // namespace skeldra
