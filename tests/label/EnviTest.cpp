// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <string>

#include "label/Envi.h"

namespace skeldra {
namespace {

TEST(Envi, ParsesKeysWithBlanksBracesOverLinesAndComments)
{
    const EnviHeader header = parseEnvi(
        "ENVI\r\ndescription = {\r\n  two\r\n  lines}\r\n; a comment\r\nHeader   Offset = 512  \r\n"
        "band names = { a,\n b }\n\tsamples\t= 10\n");
    ASSERT_TRUE(header.find("header offset"));
    EXPECT_EQ(*header.find("header offset"), "512");
    EXPECT_EQ(*header.find("samples"), "10");
    EXPECT_EQ(*header.find("description"), "{ two lines}");
    EXPECT_EQ(*header.find("band names"), "{ a, b }");
}

TEST(Envi, RefusesWhatIsNotAHeader)
{
    EXPECT_THROW(parseEnvi("samples = 3\n"), LabelSyntaxError);
    EXPECT_THROW(parseEnvi("ENVI\nsamples 3\n"), LabelSyntaxError);
    EXPECT_THROW(parseEnvi("ENVI\nband names = { a,\n b\n"), LabelSyntaxError);
}

LabelLayout layoutOf(const std::string& entries) { return enviLayout(parseEnvi("ENVI\n" + entries), "d.hdr"); }

TEST(Envi, FullHeaderWithMsbByteOrder)
{
    const LabelLayout layout = layoutOf(
        "samples = 640\nlines = 480\nbands = 3\nheader offset = 128\ndata type = 2\ninterleave = bil\n"
        "byte order = 1\ndata ignore value = -9999\n");
    EXPECT_EQ(layout.labelKind, "ENVI");
    EXPECT_EQ(layout.headerBytes->value, 128);
    EXPECT_EQ(layout.samplesPerLine->value, 640);
    EXPECT_EQ(layout.lines->value, 480);
    EXPECT_EQ(layout.bands->value, 3);
    EXPECT_EQ(layout.bitsPerSample->value, 16);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::SignedInteger);
    EXPECT_TRUE(layout.reverseBytes->value);
    EXPECT_EQ(layout.reverseBytes->source, "data type 2, byte order 1: most significant byte first");
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BIL);
    EXPECT_EQ(layout.nonDataValue->value, "-9999");
    EXPECT_TRUE(layout.notes.empty());
}

struct TypeCase {
    int type;
    int64_t bits;  // 0: nothing set
    std::optional<DataFormat> format;
};

class EnviType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(EnviType, MapsTheDataType)
{
    const TypeCase& c = GetParam();
    const LabelLayout layout = layoutOf("samples = 2\nlines = 2\ndata type = " + std::to_string(c.type) + "\n");
    EXPECT_EQ(layout.bitsPerSample ? layout.bitsPerSample->value : 0, c.bits) << c.type;
    ASSERT_EQ(layout.dataFormat.has_value(), c.format.has_value()) << c.type;
    if (c.format) {
        EXPECT_EQ(layout.dataFormat->value, *c.format);
        EXPECT_FALSE(layout.reverseBytes->value);  // byte order absent: 0
    } else {
        EXPECT_FALSE(layout.notes.empty());
    }
}

using F = DataFormat;
INSTANTIATE_TEST_SUITE_P(Types, EnviType,
                         ::testing::Values(TypeCase{1, 8, F::UnsignedInteger}, TypeCase{2, 16, F::SignedInteger},
                                           TypeCase{3, 32, F::SignedInteger}, TypeCase{4, 32, F::Real},
                                           TypeCase{5, 64, F::Real}, TypeCase{12, 16, F::UnsignedInteger},
                                           TypeCase{13, 32, F::UnsignedInteger}, TypeCase{14, 64, std::nullopt},
                                           TypeCase{15, 64, std::nullopt}, TypeCase{6, 0, std::nullopt},
                                           TypeCase{9, 0, std::nullopt}));

TEST(Envi, DefaultsAndSingleBand)
{
    const LabelLayout layout = layoutOf("samples = 2\nlines = 3\nbands = 1\ndata type = 1\n");
    EXPECT_EQ(layout.headerBytes->value, 0);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::None);
}

TEST(Envi, BadValuesAreNoted)
{
    const LabelLayout layout = layoutOf("samples = many\ninterleave = bsx\ndata ignore value = nan\nbyte order = 2\n"
                                        "data type = 2\n");
    EXPECT_FALSE(layout.samplesPerLine);
    EXPECT_FALSE(layout.bandStructure);
    EXPECT_FALSE(layout.nonDataValue);
    EXPECT_FALSE(layout.dataFormat);
    EXPECT_EQ(layout.notes.size(), 4u);
}

}  // namespace
}  // namespace skeldra
