// SPDX-License-Identifier: BSD-3-Clause
// The fast digit source must agree with the big-integer reference on every
// kind of value it can meet; the reference itself is checked against exact
// literal digits in FormatTest.
#include "base/DecimalExpansion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

namespace skeldra {
namespace {

// An x87 extended value from its sign, 15-bit biased exponent and 64-bit
// significand. The explicit integer bit is set for normal values so that only
// canonical encodings (the ones arithmetic produces) are built.
long double extended(bool negative, uint16_t biasedExponent, uint64_t significand)
{
    if (biasedExponent != 0) significand |= uint64_t{1} << 63;
    else significand &= ~(uint64_t{1} << 63);
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &significand, 8);
    const uint16_t top = static_cast<uint16_t>((negative ? 0x8000 : 0) | biasedExponent);
    std::memcpy(bytes + 8, &top, 2);
    long double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void expectAgreement(long double value)
{
    if (!std::isfinite(value)) return;
    const LeadingDigits fast = leadingDigits(value);
    const LeadingDigits exact = leadingDigitsExact(value);
    ASSERT_EQ(fast.digits, exact.digits) << std::hexfloat << value;
    ASSERT_EQ(fast.exponent, exact.exponent) << std::hexfloat << value;
    ASSERT_EQ(fast.negative, exact.negative) << std::hexfloat << value;
}

class FastDigits : public ::testing::Test {
protected:
    std::mt19937_64 random{20240611};
};

TEST_F(FastDigits, AgreeOnRandomFloatBitPatterns)
{
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<uint32_t>(random());
        expectAgreement(std::bit_cast<float>(bits));
        // subnormal floats
        expectAgreement(std::bit_cast<float>(bits & 0x807fffffu));
    }
}

TEST_F(FastDigits, AgreeOnRandomDoubleBitPatterns)
{
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        expectAgreement(std::bit_cast<double>(bits));
        expectAgreement(std::bit_cast<double>(bits & 0x800fffffffffffffull));
    }
}

TEST_F(FastDigits, AgreeOnRandomExtendedValues)
{
    // The reference costs time proportional to the exponent squared; a few
    // hundred values across the whole range and many near 1 are enough.
    for (int i = 0; i < 300; ++i) {
        const uint64_t bits = random();
        expectAgreement(extended(bits & 1, static_cast<uint16_t>(random() % 0x7fff), random()));
        expectAgreement(extended(bits & 2, 0, random()));  // subnormal
    }
    for (int i = 0; i < 20000; ++i) {
        const auto exponent = static_cast<uint16_t>(16383 - 200 + random() % 400);
        expectAgreement(extended(false, exponent, random()));
    }
}

TEST_F(FastDigits, AgreeNearDoublesAndOnShortExpansions)
{
    for (int i = 0; i < 20000; ++i) {
        const double d = std::bit_cast<double>((random() & 0x3fffffffffffffffull) | 0x3000000000000000ull);
        expectAgreement(std::nextafter(static_cast<long double>(d), 0.0L));
        expectAgreement(std::nextafter(static_cast<long double>(d), 1e300L));
        // small odd integers scaled by powers of two: few digits, then zeros
        const auto small = static_cast<long double>(random() % 100000 * 2 + 1);
        expectAgreement(std::ldexp(small, static_cast<int>(random() % 160) - 80));
    }
}

TEST_F(FastDigits, AgreeOnDecimalHalfwayPatterns)
{
    // Integers below 2^64 are exact extended values; their digit 19 onward is
    // made 5000..., 4999... or 9999... so that rounded spare digits sit on a
    // boundary, and scaling by 2^-k keeps the digits while moving the point.
    const uint64_t tails[] = {5, 50, 500000, 49, 4999999, 999999, 1, 0};
    for (int i = 0; i < 5000; ++i) {
        for (uint64_t tail : tails) {
            uint64_t scale = 1;
            while (scale < tail) scale *= 10;
            const uint64_t head = random() % (10000000000000000000ull / (scale * 10));
            const uint64_t n = head * scale * 10 + tail;
            expectAgreement(static_cast<long double>(n));
            expectAgreement(std::ldexp(static_cast<long double>(n), -static_cast<int>(random() % 70)));
        }
    }
}

// x = m x 2^-(s+t) has x * 10^s = m * 5^s / 2^t. With m * 5^s = +-r (mod 2^t)
// for a small r, digit 20 onward of x is 000... or 999... for about t*0.3
// digits: the spare digits of the rounded source are all zero and only the
// exact path can tell whether a carry reached digit 19.
uint64_t inverseMod2Pow64(uint64_t odd)
{
    uint64_t inverse = odd;  // Newton: each step doubles the correct low bits
    for (int i = 0; i < 6; ++i) inverse *= 2 - odd * inverse;
    return inverse;
}

TEST_F(FastDigits, AgreeWhenDigitsAfterTheNineteenthAreNinesOrZeros)
{
    for (int i = 0; i < 4000; ++i) {
        const int s = 8 + static_cast<int>(random() % 12);
        const int t = 28 + static_cast<int>(random() % 20);
        const uint64_t significandMask = i % 2 == 0 ? ~uint64_t{0} : (uint64_t{1} << 53) - 1;
        uint64_t pow5 = 1;
        for (int k = 0; k < s; ++k) pow5 *= 5;
        const uint64_t lowMask = (uint64_t{1} << t) - 1;
        const auto r = static_cast<uint64_t>(static_cast<int64_t>(random() % 7) - 3);
        const uint64_t low = (r * inverseMod2Pow64(pow5)) & lowMask;
        const uint64_t m = (random() & significandMask & ~lowMask) | low;
        if (m == 0) continue;
        const long double x = std::ldexp(static_cast<long double>(m), -(s + t));
        expectAgreement(x);
        expectAgreement(-x);
    }
}

TEST(ExactDigits, ZeroAndSign)
{
    const LeadingDigits zero = leadingDigitsExact(-0.0L);
    EXPECT_TRUE(zero.negative);
    EXPECT_EQ(zero.digits, 0u);
    const LeadingDigits minusHalf = leadingDigitsExact(-0.5L);
    EXPECT_TRUE(minusHalf.negative);
    EXPECT_EQ(minusHalf.digits, 5000000000000000000u);
    EXPECT_EQ(minusHalf.exponent, -1);
}

}  // namespace
}  // namespace skeldra
