// SPDX-License-Identifier: BSD-3-Clause
// Expected texts were derived from the exact binary values with an
// independent high-precision decimal computation, not from this code.
#include "base/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "base/DecimalExpansion.h"

namespace skeldra {
namespace {

struct RealRow {
    long double value;
    const char* leading19;  // truncated exact digits
    int exponent;
    const char* scientific;  // "%e"
    const char* digits8;
    const char* digits16;
    const char* general3;  // "%0.3g"
};

const RealRow realRows[] = {
#include "FormatRows.inc"
};

TEST(FormatReal, LeadingDigitsAreTheTruncatedExactOnes)
{
    for (const RealRow& row : realRows) {
        SCOPED_TRACE(row.scientific);
        for (const LeadingDigits& d : {leadingDigits(row.value), leadingDigitsExact(row.value)}) {
            EXPECT_EQ(std::to_string(d.digits), row.leading19);
            EXPECT_EQ(d.exponent, row.exponent);
            EXPECT_EQ(d.negative, row.value < 0);
        }
    }
}

TEST(FormatReal, ScientificHasFifteenDigits)
{
    for (const RealRow& row : realRows) EXPECT_EQ(formatScientific(row.value), row.scientific);
}

TEST(FormatReal, RealDigitsOfFourByteSamples)
{
    for (const RealRow& row : realRows) EXPECT_EQ(formatRealDigits(row.value, 8), row.digits8);
}

TEST(FormatReal, RealDigitsOfEightByteSamples)
{
    for (const RealRow& row : realRows) EXPECT_EQ(formatRealDigits(row.value, 16), row.digits16);
}

TEST(FormatReal, GeneralThreeDigits)
{
    for (const RealRow& row : realRows) EXPECT_EQ(formatGeneral3(row.value), row.general3);
}

struct RoundingRow {
    long double value;
    int significant;
    const char* digits;
    int exponent;
};

TEST(FormatReal, RoundsTo18DigitsThenToTheKeptOnes)
{
    const RoundingRow rows[] = {
        {0x112210F47DE98111p0L, 18, "123456789012345679", 18},  // ...678|5 goes up, not to even
        {0xAB54A98CEB1F0AA9p0L, 18, "123456789012345678", 19},  // ...678|49: only digit 19 counts
        {0x3039p-20L, 18, "117731094360351563", -2},            // 0.01177310943603515625
        {0xAB54A600976BAFFBp0L, 8, "12345675", 19},    // 1234567|4999999999|95: twice up
        {0x112210F47DE97FEFp0L, 16, "1234567890123457", 18},  // ...456|49|5: twice up
        {0x8AC7230489E7FFFBp0L, 18, "100000000000000000", 19},  // 999...9|5 carries
        {0xD1BA8323FE558C61p13224L, 18, "100000000000000000", 4000},  // just below 1E4000
        {0x1p-16445L, 18, "364519953188247460", -4951},  // smallest subnormal
        {-0xAAAAAAAAAAAAAAABp-65L, 1, "3", -1},         // -1/3
        {0x9FFFFFFFFFFFFFFFp-60L, 18, "100000000000000000", 1},  // just below 10
    };
    for (const RoundingRow& row : rows) {
        const DecimalDigits d = roundedDecimalDigits(row.value, row.significant);
        EXPECT_EQ(d.digits, row.digits);
        EXPECT_EQ(d.exponent, row.exponent) << row.digits;
        EXPECT_EQ(d.negative, row.value < 0) << row.digits;
    }
}

TEST(FormatReal, ZeroKeepsItsSignInTheDigitsButNotInTheText)
{
    const DecimalDigits negative = roundedDecimalDigits(-0.0L, 8);
    EXPECT_TRUE(negative.negative);
    EXPECT_EQ(negative.digits, "00000000");
    EXPECT_EQ(negative.exponent, 0);
    for (long double zero : {0.0L, -0.0L}) {
        EXPECT_EQ(formatScientific(zero), "0.00000000000000E+000");
        EXPECT_EQ(formatRealDigits(zero, 8), "0.0000000E+00");
        EXPECT_EQ(formatRealDigits(zero, 16), "0.000000000000000E+00");
        EXPECT_EQ(formatGeneral3(zero), "0");
    }
}

TEST(FormatReal, NonFiniteValues)
{
    constexpr long double inf = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    struct Row {
        long double value;
        const char* text;
    };
    for (const Row& row : {Row{inf, "INF"}, Row{-inf, "-INF"}, Row{nan, "NAN"},
                           Row{std::copysign(nan, -1.0L), "-NAN"}}) {
        EXPECT_EQ(formatScientific(row.value), row.text);
        EXPECT_EQ(formatRealDigits(row.value, 8), row.text);
        EXPECT_EQ(formatRealDigits(row.value, 16), row.text);
        EXPECT_EQ(formatGeneral3(row.value), row.text);
    }
    EXPECT_THROW(roundedDecimalDigits(inf, 8), std::logic_error);
    EXPECT_THROW(roundedDecimalDigits(nan, 8), std::logic_error);
}

TEST(FormatReal, SignificantDigitsOutsideOneTo18AreRefused)
{
    EXPECT_THROW(roundedDecimalDigits(1.0L, 0), std::logic_error);
    EXPECT_THROW(roundedDecimalDigits(1.0L, 19), std::logic_error);
}

TEST(FormatInteger, PlainDecimal)
{
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(-257), "-257");
    EXPECT_EQ(formatInteger(4294967295), "4294967295");
    EXPECT_EQ(formatInteger(std::numeric_limits<int64_t>::max()), "9223372036854775807");
    EXPECT_EQ(formatInteger(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(FormatPattern, FillsEveryDirectiveInOrder)
{
    EXPECT_EQ(format("Min data: %s at (%d, %d)   Max data: %s  at (%d, %d)",
                     {std::string("-1.5000000E+00"), int64_t{3}, int64_t{-4},
                      std::string("255"), int64_t{10}, int64_t{20}}),
              "Min data: -1.5000000E+00 at (3, -4)   Max data: 255  at (10, 20)");
    EXPECT_EQ(format("%e|%0.3g|100%%", {1e20L, 123456.0L}), "1.00000000000000E+020|1.23E5|100%");
    EXPECT_EQ(format("no directives", {}), "no directives");
    EXPECT_EQ(format("%d%s", {int64_t{7}, std::string()}), "7");
}

TEST(FormatPattern, MismatchIsAProgrammingError)
{
    EXPECT_THROW(format("%d", {}), std::logic_error);
    EXPECT_THROW(format("%d", {int64_t{1}, int64_t{2}}), std::logic_error);
    EXPECT_THROW(format("%d", {std::string("1")}), std::logic_error);
    EXPECT_THROW(format("%s", {int64_t{1}}), std::logic_error);
    EXPECT_THROW(format("%e", {int64_t{1}}), std::logic_error);
    EXPECT_THROW(format("%0.3g", {std::string("x")}), std::logic_error);
    EXPECT_THROW(format("%x", {int64_t{1}}), std::logic_error);
    EXPECT_THROW(format("%0.2g", {1.0L}), std::logic_error);
    EXPECT_THROW(format("trailing %", {}), std::logic_error);
}

}  // namespace
}  // namespace skeldra
