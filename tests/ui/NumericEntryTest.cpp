// SPDX-License-Identifier: BSD-3-Clause
#include "ui/NumericEntry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace skeldra {
namespace {

using Messages = std::vector<std::string>;

constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
const std::string integerRequest = "Requesting integer value from non-integer control";
const std::string extendedRequest = "Requesting extended value from non-extended control";

// A box whose messages are recorded in order instead of shown.
struct RecordedEntry {
    Messages messages;
    NumericEntry entry;

    RecordedEntry(TInputType type, const std::string& text)
        : entry([this](const std::string& m) { messages.push_back(m); }, type, text)
    {
    }
    Messages take() { return std::exchange(messages, {}); }
};

// ---- syntax -------------------------------------------------------------

struct IntegerCase {
    std::string text;
    std::optional<int32_t> value;
    int errorPosition;
};

class IntegerSyntax : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerSyntax, ValueOrErrorPosition)
{
    const IntegerCase& c = GetParam();
    const IntegerParse parsed = parseInteger(c.text);
    EXPECT_EQ(parsed.value, c.value) << '"' << c.text << '"';
    if (!c.value) {
        EXPECT_EQ(parsed.errorPosition, c.errorPosition) << '"' << c.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, IntegerSyntax,
    testing::Values(IntegerCase{"0", 0, 0}, IntegerCase{"12", 12, 0}, IntegerCase{"+7", 7, 0},
                    IntegerCase{"-0", 0, 0}, IntegerCase{"007", 7, 0},
                    IntegerCase{"2147483647", int32Max, 0},
                    IntegerCase{"-2147483648", int32Min, 0},
                    // Left the range by the last digit: one beyond the end.
                    IntegerCase{"2147483648", std::nullopt, 11},
                    IntegerCase{"+2147483648", std::nullopt, 12},
                    IntegerCase{"-2147483649", std::nullopt, 12},
                    // A digit arriving after more than 214748364 was read.
                    IntegerCase{"21474836470", std::nullopt, 11},
                    IntegerCase{"99999999999", std::nullopt, 10},
                    IntegerCase{"2147483649x", std::nullopt, 11},
                    IntegerCase{"", std::nullopt, 1}, IntegerCase{"+", std::nullopt, 2},
                    IntegerCase{"-", std::nullopt, 2}, IntegerCase{"abc", std::nullopt, 1},
                    IntegerCase{"12a", std::nullopt, 3}, IntegerCase{"1 2", std::nullopt, 2},
                    IntegerCase{"12 ", std::nullopt, 3}, IntegerCase{"1.0", std::nullopt, 2},
                    IntegerCase{"--1", std::nullopt, 2}, IntegerCase{"00x1", std::nullopt, 3},
                    // Blanks are skipped, tabs are not (trimming removes those).
                    IntegerCase{"   42", 42, 0}, IntegerCase{"  -42", -42, 0},
                    IntegerCase{"\t42", std::nullopt, 1},
                    IntegerCase{"   ", std::nullopt, 4}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, IntegerSyntax,
    testing::Values(IntegerCase{"$1F", 31, 0}, IntegerCase{"$1f", 31, 0},
                    IntegerCase{"x10", 16, 0}, IntegerCase{"X10", 16, 0},
                    IntegerCase{"0x7fffffff", int32Max, 0},
                    IntegerCase{"0X80000000", int32Min, 0}, IntegerCase{"$FFFFFFFF", -1, 0},
                    IntegerCase{"$000000001", 1, 0}, IntegerCase{" $A", 10, 0},
                    IntegerCase{"$100000000", std::nullopt, 10},
                    // A bare prefix fails two beyond the end.
                    IntegerCase{"$", std::nullopt, 3}, IntegerCase{"x", std::nullopt, 3},
                    IntegerCase{"0x", std::nullopt, 4}, IntegerCase{"0X", std::nullopt, 4},
                    IntegerCase{"$G", std::nullopt, 2}, IntegerCase{"$1G", std::nullopt, 3},
                    IntegerCase{"0x-1", std::nullopt, 3}, IntegerCase{"-$1", std::nullopt, 2},
                    IntegerCase{"+0x1", std::nullopt, 3}));

struct RealCase {
    std::string text;
    std::optional<long double> value;
    int errorPosition;
};

class RealSyntax : public testing::TestWithParam<RealCase> {};

TEST_P(RealSyntax, ValueOrErrorPosition)
{
    const RealCase& c = GetParam();
    const RealParse parsed = parseReal(c.text);
    EXPECT_EQ(parsed.value, c.value) << '"' << c.text << '"';
    if (!c.value) {
        EXPECT_EQ(parsed.errorPosition, c.errorPosition) << '"' << c.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RealSyntax,
    testing::Values(RealCase{"1.5", 1.5L, 0}, RealCase{"5.", 5.0L, 0}, RealCase{".5", 0.5L, 0},
                    RealCase{".", 0.0L, 0}, RealCase{"e5", 0.0L, 0}, RealCase{"1e3", 1000.0L, 0},
                    RealCase{"1E+3", 1000.0L, 0}, RealCase{"2.5e-1", 0.25L, 0},
                    RealCase{"+.5", 0.5L, 0}, RealCase{"-3", -3.0L, 0},
                    RealCase{" 7", 7.0L, 0}, RealCase{"0.1", 0.1L, 0},
                    RealCase{"1e-5000", 0.0L, 0},
                    RealCase{"", std::nullopt, 1}, RealCase{"   ", std::nullopt, 4},
                    RealCase{"+", std::nullopt, 2}, RealCase{"-", std::nullopt, 2},
                    RealCase{"e", std::nullopt, 2}, RealCase{"1e", std::nullopt, 3},
                    RealCase{"1e+", std::nullopt, 4}, RealCase{"1ex", std::nullopt, 3},
                    RealCase{"1e5x", std::nullopt, 4}, RealCase{"1.2.3", std::nullopt, 4},
                    RealCase{"1,5", std::nullopt, 2}, RealCase{"- 5", std::nullopt, 2},
                    RealCase{"1 ", std::nullopt, 2}, RealCase{"\t1", std::nullopt, 1},
                    RealCase{"$1", std::nullopt, 1},
                    // Beyond the extended range: the box cannot hold it.
                    RealCase{"1e5000", std::nullopt, 7}));

// The conversion is correctly rounded: exactly halfway between 1 and the next
// extended goes to the even neighbour (1), anything above it goes up.
INSTANTIATE_TEST_SUITE_P(
    Rounding, RealSyntax,
    testing::Values(
        RealCase{"1.0000000000000000000542101086242752217003726400434970855712890625", 1.0L, 0},
        RealCase{"1.00000000000000000005421010862427522170037264004349708557128906251",
                 1.0L + 0x1p-63L, 0},
        RealCase{"1.0000000000000000001084202172485504434007452800869941711425781250",
                 1.0L + 0x1p-63L, 0}));

struct TrimCase {
    std::string text;
    std::string trimmed;
};

class Trimming : public testing::TestWithParam<TrimCase> {};

TEST_P(Trimming, BlanksAndTabsOnly)
{
    EXPECT_EQ(TrimBlanksAndTabs(GetParam().text), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Trimming,
    testing::Values(TrimCase{" 12\t", "12"}, TrimCase{"", ""}, TrimCase{" ", ""},
                    TrimCase{"\t \t", ""}, TrimCase{"  a", "a"}, TrimCase{"a \t", "a"},
                    TrimCase{" a b ", "a b"}, TrimCase{"\n 5", "\n 5"}, TrimCase{" \n", "\n"},
                    TrimCase{"5\n ", "5\n"}));

// ---- validation ---------------------------------------------------------

struct ValidationCase {
    std::string name;
    TInputType type;
    std::string min;  // empty: not assigned
    std::string max;
    std::string text;
    Messages messages;  // of the first request
    long double value;
    std::string shown;  // the box's text afterwards
};

class Validation : public testing::TestWithParam<ValidationCase> {};

TEST_P(Validation, FirstRequest)
{
    const ValidationCase& c = GetParam();
    RecordedEntry box(c.type, c.text);
    if (!c.min.empty()) box.entry.setInputMin(c.min);
    if (!c.max.empty()) box.entry.setInputMax(c.max);
    ASSERT_EQ(box.take(), Messages{});
    // The quiet check of a trial run: true exactly when the request below
    // brings no message and leaves the text as typed; it shows nothing.
    EXPECT_EQ(box.entry.acceptsQuietly(), c.messages.empty() && c.shown == c.text);
    EXPECT_EQ(box.take(), Messages{});
    EXPECT_FALSE(box.entry.entryValidated());

    const long double value = c.type == TInputType::tInteger ? box.entry.IntegerValue()
                                                              : box.entry.ExtendedValue();
    EXPECT_EQ(box.take(), c.messages);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(box.entry.text(), c.shown);
    EXPECT_TRUE(box.entry.entryValidated());
}

const TInputType integer = TInputType::tInteger;
const TInputType real = TInputType::tExtended;

INSTANTIATE_TEST_SUITE_P(
    Integer, Validation,
    testing::Values(
        ValidationCase{"Trimmed", integer, "", "", " 12\t", {}, 12, "12"},
        ValidationCase{"Letters", integer, "", "", "abc",
                       {R"("abc" is not a valid integer; error at position 1)",
                        R"(Substituting "0" for "abc" (invalid entry))"},
                       0, "abc"},
        ValidationCase{"Empty", integer, "", "", "",
                       {R"("" is not a valid integer; error at position 1)",
                        R"(Substituting "0" for "" (invalid entry))"},
                       0, ""},
        ValidationCase{"BlankOnly", integer, "", "", " ",
                       {R"("" is not a valid integer; error at position 1)",
                        R"(Substituting "0" for "" (invalid entry))"},
                       0, ""},
        ValidationCase{"Overflow", integer, "", "", "2147483648",
                       {R"("2147483648" is not a valid integer; error at position 11)",
                        R"(Substituting "0" for "2147483648" (invalid entry))"},
                       0, "2147483648"},
        ValidationCase{"Hex", integer, "", "", "$1F", {}, 31, "$1F"},
        ValidationCase{"AboveMax", integer, "1", "10", "12",
                       {"Entry must be between 1 and 10",
                        R"(Substituting "10" for "12" (invalid entry))"},
                       10, "12"},
        ValidationCase{"BelowMin", integer, "1", "10", "0",
                       {"Entry must be between 1 and 10",
                        R"(Substituting "1" for "0" (invalid entry))"},
                       1, "0"},
        ValidationCase{"OnBound", integer, "1", "10", "10", {}, 10, "10"},
        ValidationCase{"HalvesToEven", integer, "1.5", "2.5", "3",
                       {"Entry must be between 2 and 2",
                        R"(Substituting "2" for "3" (invalid entry))"},
                       2, "3"},
        // Compared with the bound itself, substituted by the rounded one.
        ValidationCase{"RoundedBoundBelowEntry", integer, "0.5", "2.5", "0",
                       {"Entry must be between 0 and 2",
                        R"(Substituting "0" for "0" (invalid entry))"},
                       0, "0"},
        ValidationCase{"MinOnly", integer, "1", "", "0", {}, 0, "0"},
        ValidationCase{"WideBounds", integer, "-1e30", "1e30", "5", {}, 5, "5"},
        // Bounds beyond the 32-bit range act as the range's own limits.
        ValidationCase{"BoundsAboveRange", integer, "1e10", "2e10", "5",
                       {"Entry must be between 2147483647 and 2147483647",
                        R"(Substituting "2147483647" for "5" (invalid entry))"},
                       int32Max, "5"},
        ValidationCase{"BoundsBelowRange", integer, "-1e30", "-1e20", "5",
                       {"Entry must be between -2147483648 and -2147483648",
                        R"(Substituting "-2147483648" for "5" (invalid entry))"},
                       int32Min, "5"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Real, Validation,
    testing::Values(
        ValidationCase{"CommaKept", real, "", "", "1,5", {}, 1.5L, "1,5"},
        ValidationCase{"TwoPoints", real, "", "", "1,000.5",
                       {R"("1,000.5" is not a valid Extended; error at position 6)",
                        R"(Substituting "0" for "1,000.5" (invalid entry))"},
                       0, "1,000.5"},
        ValidationCase{"ExponentWithoutDigits", real, "", "", "1e",
                       {R"("1e" is not a valid Extended; error at position 3)",
                        R"(Substituting "0" for "1e" (invalid entry))"},
                       0, "1e"},
        ValidationCase{"Trimmed", real, "", "", " 2.5 ", {}, 2.5L, "2.5"},
        ValidationCase{"AboveMax", real, "0", "1000", "2000",
                       {"Entry must be between 0 and 1E3",
                        R"(Substituting "1E3" for "2000" (invalid entry))"},
                       1000, "2000"},
        ValidationCase{"BelowMin", real, "0", "1000", "-0,5",
                       {"Entry must be between 0 and 1E3",
                        R"(Substituting "0" for "-0,5" (invalid entry))"},
                       0, "-0,5"},
        ValidationCase{"MaxOnly", real, "", "1", "7", {}, 7, "7"}),
    [](const auto& info) { return info.param.name; });

// ---- laziness -----------------------------------------------------------

TEST(NumericEntryLaziness, ValidatesOncePerTextChange)
{
    RecordedEntry box(integer, "abc");
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    EXPECT_EQ(box.take().size(), 2u);

    const Messages substitution{R"(Substituting "0" for "abc" (invalid entry))"};
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    EXPECT_EQ(box.take(), substitution);

    box.entry.setText("abc");  // the same text is no change
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    EXPECT_EQ(box.take(), substitution);

    box.entry.setText("7");
    EXPECT_FALSE(box.entry.entryValidated());
    EXPECT_EQ(box.entry.IntegerValue(), 7);
    EXPECT_EQ(box.take(), Messages{});

    box.entry.setText("abc");
    box.entry.IntegerValue();
    EXPECT_EQ(box.take().size(), 2u);
}

TEST(NumericEntryLaziness, BoundsAndTypeDoNotRevalidate)
{
    RecordedEntry box(integer, "12");
    EXPECT_EQ(box.entry.IntegerValue(), 12);
    box.entry.setInputMin("1");
    box.entry.setInputMax("10");
    EXPECT_EQ(box.entry.IntegerValue(), 12);
    EXPECT_EQ(box.take(), Messages{});

    box.entry.setText("11");
    EXPECT_EQ(box.entry.IntegerValue(), 10);
    EXPECT_EQ(box.take().front(), "Entry must be between 1 and 10");
}

TEST(NumericEntryLaziness, ChangedTypeReadsTheUnsetResult)
{
    RecordedEntry box(integer, "2.5");
    box.entry.IntegerValue();
    box.take();
    box.entry.setInputType(real);
    EXPECT_EQ(box.entry.ExtendedValue(), 0);
    EXPECT_EQ(box.take(), Messages{R"(Substituting "0" for "2.5" (invalid entry))"});
}

// ---- type mismatch ------------------------------------------------------

TEST(NumericEntryTypeMismatch, IntegerFromInvalidRealBox)
{
    RecordedEntry box(real, "x");
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    const Messages first{R"("x" is not a valid Extended; error at position 1)", integerRequest,
                         R"(Substituting "0" for "x" (invalid entry))", integerRequest};
    EXPECT_EQ(box.take(), first);

    EXPECT_EQ(box.entry.IntegerValue(), 0);
    const Messages again{integerRequest, R"(Substituting "0" for "x" (invalid entry))",
                         integerRequest};
    EXPECT_EQ(box.take(), again);
}

TEST(NumericEntryTypeMismatch, IntegerFromValidRealBoxIsTheUnsetResult)
{
    RecordedEntry box(real, "2.5");
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    EXPECT_EQ(box.take(), (Messages{integerRequest, integerRequest}));
    EXPECT_EQ(box.entry.ExtendedValue(), 2.5L);
    EXPECT_EQ(box.take(), Messages{});
}

TEST(NumericEntryTypeMismatch, ExtendedFromIntegerBox)
{
    RecordedEntry valid(integer, "7");
    EXPECT_EQ(valid.entry.ExtendedValue(), 0);
    EXPECT_EQ(valid.take(), Messages{extendedRequest});

    RecordedEntry invalid(integer, "q");
    EXPECT_EQ(invalid.entry.ExtendedValue(), 0);
    const Messages expected{R"("q" is not a valid integer; error at position 1)", extendedRequest,
                            R"(Substituting "0" for "q" (invalid entry))"};
    EXPECT_EQ(invalid.take(), expected);
}

TEST(NumericEntryTypeMismatch, UnknownType)
{
    RecordedEntry box(static_cast<TInputType>(2), "5");
    EXPECT_EQ(box.entry.IntegerValue(), 0);
    const Messages expected{"Attempting to validate unknown type", integerRequest,
                            R"(Substituting "0" for "5" (invalid entry))", integerRequest};
    EXPECT_EQ(box.take(), expected);
}

// ---- bounds -------------------------------------------------------------

TEST(NumericEntryBounds, InvalidBoundKeepsTextAndDisablesRangeCheck)
{
    RecordedEntry box(integer, "12");
    box.entry.setInputMin("1");
    box.entry.setInputMax("10");
    box.entry.setInputMin("x");
    EXPECT_EQ(box.take(), Messages{R"(The MinString "x" is not a valid number)"});
    EXPECT_EQ(box.entry.InputMin(), "1");
    EXPECT_EQ(box.entry.IntegerValue(), 12);
    EXPECT_EQ(box.take(), Messages{});
}

TEST(NumericEntryBounds, BoundTextIsParsedUntouched)
{
    RecordedEntry box(real, "0");
    box.entry.setInputMax("1 ");
    box.entry.setInputMax("1,5");
    box.entry.setInputMin("");
    const Messages expected{R"(The MaxString "1 " is not a valid number)",
                            R"(The MaxString "1,5" is not a valid number)",
                            R"(The MinString "" is not a valid number)"};
    EXPECT_EQ(box.take(), expected);
    EXPECT_EQ(box.entry.InputMax(), "");

    box.entry.setInputMin(" 1");  // blanks at the start are skipped
    box.entry.setInputMax("2");
    EXPECT_EQ(box.take(), Messages{});
    EXPECT_EQ(box.entry.InputMin(), " 1");
    EXPECT_EQ(box.entry.ExtendedValue(), 1.0L);
    EXPECT_EQ(box.take().front(), "Entry must be between 1 and 2");
}

TEST(NumericEntryBounds, ValidBoundAfterInvalidOneRestoresRangeCheck)
{
    RecordedEntry box(integer, "12");
    box.entry.setInputMax("10");
    box.entry.setInputMin("?");
    box.entry.setInputMin("1");
    box.take();
    EXPECT_EQ(box.entry.IntegerValue(), 10);
    EXPECT_EQ(box.take().front(), "Entry must be between 1 and 10");
}

}  // namespace
}  // namespace skeldra
