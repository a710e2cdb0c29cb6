// SPDX-License-Identifier: BSD-3-Clause
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
             {}, {"point"}, {"jump", "f"}, {"point", "f", "--line"}, {"point", "f", "--no-such-option"},
             // The image of a label is chosen only where a label is read.
             {"stats", "f", "--hdu", "2"}, {"stats", "f", "--from-label", "--hdu", "0"}, {"point", "f", "--object", "IMAGE"}})
        EXPECT_THROW(parseArguments(args), UsageError) << ::testing::PrintToString(args);
}

TEST(ParseArguments, TheImageOfALabel)
{
    const ParsedArguments hdu = parseArguments({"stats", "f.fits", "--from-label", "--hdu", "3"});
    EXPECT_EQ(hdu.labelImage, (LabelImageChoice{3, ""}));
    const ParsedArguments object = parseArguments({"label", "p.lbl", "--object", "BROWSE_IMAGE"});
    EXPECT_EQ(object.labelImage, (LabelImageChoice{0, "BROWSE_IMAGE"}));
}

}  // namespace
}  // namespace skeldra
