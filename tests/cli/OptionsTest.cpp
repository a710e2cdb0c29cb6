// The batch tool's command line: box texts as typed (even when they start
// with '-'), boxes and choices in the order given, usage errors.
#include <gtest/gtest.h>

#include "Options.h"

namespace skeldra {
namespace {

using Texts = std::vector<std::pair<Box, std::string>>;

struct ParseCase {
    std::vector<std::string> args;
    Texts boxTexts;
    std::vector<Choice> choices;
    std::string output;
};

class ParseArguments : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseArguments, KeepsTheTextsAndTheOrderGiven)
{
    const ParseCase& c = GetParam();
    const ParsedArguments parsed = parseArguments(c.args);
    EXPECT_EQ(parsed.boxTexts, c.boxTexts);
    EXPECT_EQ(parsed.choices, c.choices);
    EXPECT_EQ(parsed.outputFile, c.output);
    EXPECT_EQ(parsed.command, c.args[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseArguments,
    ::testing::Values(
        ParseCase{{"point", "f", "--line", "-x", "--sample", "-.5", "--line", ""},
                  {{Box::Line, "-x"}, {Box::Sample, "-.5"}, {Box::Line, ""}}, {}, ""},
        ParseCase{{"stats", "--signed", "f", "--msb", "--unsigned", "--nodata", "-1e4933"},
                  {{Box::NonDataValue, "-1e4933"}},
                  {Choice::SignedInteger, Choice::ReverseBytes, Choice::UnsignedInteger, Choice::IgnoreNonDataValue},
                  ""},
        ParseCase{{"convert", "f", "-o", "-a.bmp", "--output", "b.bmp", "--text"}, {}, {Choice::TextOutput}, "b.bmp"}));

TEST(ParseArgumentsErrors, AreUsageErrors)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"point"}, {"jump", "f"}, {"point", "f", "--line"}, {"point", "f", "--no-such-option"}})
        EXPECT_THROW(parseArguments(args), UsageError) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace skeldra
