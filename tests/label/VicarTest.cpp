// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <string>

#include "label/Vicar.h"

namespace skeldra {
namespace {

// A VICAR label of exactly `size` bytes, blank-padded, then binary bytes.
std::string vicarLabel(const std::string& items, int size = 200)
{
    std::string text = "LBLSIZE=" + std::to_string(size) + "  " + items;
    text.resize(static_cast<std::size_t>(size), ' ');
    return text + std::string("\0\xFF\x01NL=999", 9);
}

TEST(Vicar, ParsesQuotedListedAndPlainItemsUpToLblsize)
{
    const VicarLabel label =
        parseVicar(vicarLabel("FORMAT='HALF'  NOTE='it''s'  LIST=(1,2,'a,b')  nl = 5 NS=7"));
    EXPECT_EQ(label.lblsize, 200);
    ASSERT_TRUE(label.find("FORMAT"));
    EXPECT_EQ(label.find("FORMAT")->value, "HALF");
    EXPECT_TRUE(label.find("FORMAT")->quoted);
    EXPECT_EQ(label.find("NOTE")->value, "it's");
    EXPECT_TRUE(label.find("LIST")->list);
    EXPECT_EQ(label.find("LIST")->value, "1,2,'a,b'");
    EXPECT_EQ(label.find("NL")->value, "5");  // the bytes after LBLSIZE are not read
    EXPECT_EQ(label.find("NS")->value, "7");
}

TEST(Vicar, StopsAtANulByte)
{
    const VicarLabel label = parseVicar(std::string("LBLSIZE=100 NL=3\0NS=4", 22));
    EXPECT_TRUE(label.find("NL"));
    EXPECT_FALSE(label.find("NS"));
}

TEST(Vicar, TheFirstItemOfAKeyWins)
{
    const VicarLabel label = parseVicar(vicarLabel("NL=3 TASK='COPY' NL=9"));
    EXPECT_EQ(label.find("NL")->value, "3");
}

class VicarBroken : public ::testing::TestWithParam<const char*> {};

TEST_P(VicarBroken, IsRefused)
{
    EXPECT_THROW(parseVicar(GetParam()), LabelSyntaxError) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, VicarBroken,
                         ::testing::Values("NL=5 LBLSIZE=100", "LBLSIZE=abc", "LBLSIZE=100 FORMAT='BYTE",
                                           "LBLSIZE=100 NL", "LBLSIZE=100 A=(1,2", ""));

struct FormatCase {
    const char* items;
    int64_t bits;
    std::optional<DataFormat> format;
    bool msbFirst;
};

class VicarFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(VicarFormat, MapsFormatAndHostFormats)
{
    const FormatCase& c = GetParam();
    const LabelLayout layout = vicarLayout(parseVicar(vicarLabel(std::string("NL=2 NS=3 ") + c.items)), 0, "v");
    ASSERT_TRUE(layout.bitsPerSample) << c.items;
    EXPECT_EQ(layout.bitsPerSample->value, c.bits);
    ASSERT_EQ(layout.dataFormat.has_value(), c.format.has_value()) << c.items;
    if (!c.format) {
        EXPECT_FALSE(layout.notes.empty());
        return;
    }
    EXPECT_EQ(layout.dataFormat->value, *c.format);
    EXPECT_EQ(layout.reverseBytes->value, c.msbFirst) << c.items;
}

using F = DataFormat;
INSTANTIATE_TEST_SUITE_P(
    Formats, VicarFormat,
    ::testing::Values(FormatCase{"FORMAT='BYTE'", 8, F::UnsignedInteger, false},
                      FormatCase{"FORMAT='HALF' INTFMT='HIGH'", 16, F::SignedInteger, true},
                      FormatCase{"FORMAT='WORD' INTFMT='LOW'", 16, F::SignedInteger, false},
                      FormatCase{"FORMAT='HALF'", 16, F::SignedInteger, false},  // VAX-era default
                      FormatCase{"FORMAT='FULL' INTFMT='HIGH'", 32, F::SignedInteger, true},
                      FormatCase{"FORMAT='REAL' REALFMT='IEEE'", 32, F::Real, true},
                      FormatCase{"FORMAT='REAL' REALFMT='RIEEE'", 32, F::Real, false},
                      FormatCase{"FORMAT='DOUB' REALFMT='RIEEE'", 64, F::Real, false},
                      FormatCase{"FORMAT='REAL' REALFMT='VAX'", 32, std::nullopt, false},
                      FormatCase{"FORMAT='REAL'", 32, std::nullopt, false}));

TEST(Vicar, ComplexSamplesAreNotMapped)
{
    const LabelLayout layout = vicarLayout(parseVicar(vicarLabel("FORMAT='COMP' NL=2 NS=3")), 0, "v");
    EXPECT_FALSE(layout.bitsPerSample);
    EXPECT_EQ(layout.notes.size(), 1u);
}

TEST(Vicar, HeaderCountsBinaryHeaderLinesAndThePrefixOfTheFirstLine)
{
    const LabelLayout layout = vicarLayout(
        parseVicar(vicarLabel("FORMAT='BYTE' ORG='BSQ' NL=10 NS=100 NB=1 NLB=2 NBB=20 RECSIZE=120")), 0, "v");
    EXPECT_EQ(layout.headerBytes->value, 200 + 2 * 120 + 20);
    EXPECT_EQ(layout.headerBytes->source, "LBLSIZE 200 + NLB 2 × RECSIZE 120 + line prefix 20");
    EXPECT_EQ(layout.linePad->value, 20);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BSQ);  // one band, but a line pad
    EXPECT_EQ(layout.lines->value, 10);
    EXPECT_EQ(layout.samplesPerLine->value, 100);
}

struct OrgCase {
    const char* items;
    BandStructure structure;
    int64_t linePad;
    int64_t bandPad;
};

class VicarOrg : public ::testing::TestWithParam<OrgCase> {};

TEST_P(VicarOrg, GivesStructureAndPads)
{
    const OrgCase& c = GetParam();
    const LabelLayout layout =
        vicarLayout(parseVicar(vicarLabel(std::string("FORMAT='BYTE' NL=4 NS=5 NB=3 ") + c.items)), 0, "v");
    ASSERT_TRUE(layout.bandStructure);
    EXPECT_EQ(layout.bandStructure->value, c.structure);
    EXPECT_EQ(layout.linePad ? layout.linePad->value : 0, c.linePad);
    EXPECT_EQ(layout.bandPad ? layout.bandPad->value : 0, c.bandPad);
}

INSTANTIATE_TEST_SUITE_P(Orgs, VicarOrg,
                         ::testing::Values(OrgCase{"ORG='BSQ'", BandStructure::BSQ, 0, 0},
                                           OrgCase{"ORG='BIL'", BandStructure::BIL, 0, 0},
                                           OrgCase{"ORG='BIP'", BandStructure::BIP, 0, 0},
                                           OrgCase{"", BandStructure::BSQ, 0, 0},
                                           OrgCase{"ORG='BSQ' NBB=8", BandStructure::BSQ, 8, 0},
                                           // every band's line is a record with its own prefix
                                           OrgCase{"ORG='BIL' NBB=8", BandStructure::BIL, 0, 8}));

TEST(Vicar, PrefixesOfBipPixelsAreNoted)
{
    const LabelLayout layout =
        vicarLayout(parseVicar(vicarLabel("FORMAT='BYTE' ORG='BIP' NL=4 NS=5 NB=3 NBB=4")), 0, "v");
    EXPECT_FALSE(layout.linePad);
    EXPECT_EQ(layout.headerBytes->value, 200);
    EXPECT_EQ(layout.notes.size(), 1u);
}

TEST(Vicar, ALabelAfterAPds3LabelCountsFromItsStart)
{
    const LabelLayout layout = vicarLayout(parseVicar(vicarLabel("FORMAT='BYTE' NL=4 NS=5")), 3000, "v");
    EXPECT_EQ(layout.headerBytes->value, 3200);
    EXPECT_EQ(layout.headerBytes->source, "VICAR label at byte 3000 + LBLSIZE 200");
}

}  // namespace
}  // namespace skeldra
