// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "label/Fits.h"

namespace skeldra {
namespace {

std::string card(const std::string& text)
{
    std::string padded = text;
    padded.resize(fitsCardBytes, ' ');
    return padded;
}

// A primary header of these cards, END and blank padding to whole blocks.
std::string header(const std::vector<std::string>& cards)
{
    std::string text;
    for (const std::string& c : cards) text += card(c);
    text += card("END");
    text.resize((text.size() + fitsBlockBytes - 1) / fitsBlockBytes * fitsBlockBytes, ' ');
    return text;
}

LabelLayout layoutOf(const std::vector<std::string>& cards) { return fitsLayout(parseFits(header(cards)), "f.fits"); }

bool hasNote(const LabelLayout& layout, const std::string& part)
{
    for (const std::string& note : layout.notes)
        if (note.find(part) != std::string::npos) return true;
    return false;
}

TEST(Fits, ThreeAxesGiveBandSequentialBigEndianPlanes)
{
    const LabelLayout layout =
        layoutOf({"SIMPLE  =                    T / conforms", "BITPIX  =                   16",
                  "NAXIS   =                    3", "NAXIS1  =                  517", "NAXIS2  =                  300",
                  "NAXIS3  =                    3", "BLANK   =               -9999."});
    EXPECT_EQ(layout.labelKind, "FITS");
    EXPECT_EQ(layout.headerBytes->value, 2880);
    EXPECT_EQ(layout.samplesPerLine->value, 517);
    EXPECT_EQ(layout.lines->value, 300);
    EXPECT_EQ(layout.bands->value, 3);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BSQ);
    EXPECT_EQ(layout.bitsPerSample->value, 16);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::SignedInteger);
    EXPECT_TRUE(layout.reverseBytes->value);
    ASSERT_TRUE(layout.nonDataValue);
    EXPECT_EQ(layout.nonDataValue->value, "-9999");
    EXPECT_TRUE(layout.notes.empty());
}

TEST(Fits, HeaderBytesRunToTheBlockOfTheEndCard)
{
    // 36 cards fill a block: the END card then opens the second one.
    std::string text = card("SIMPLE  = T") + card("BITPIX  = 8") + card("NAXIS   = 2") + card("NAXIS1  = 4") +
                       card("NAXIS2  = 2");
    for (int i = 5; i < 36; ++i) text += card("COMMENT   filler / with a slash");
    text += card("END");
    text.resize(2 * fitsBlockBytes, ' ');
    const FitsHeader parsed = parseFits(text);
    EXPECT_EQ(parsed.headerBytes, 5760);
    EXPECT_EQ(fitsLayout(parsed, "f").bandStructure->value, BandStructure::None);
}

TEST(Fits, StringValuesKeepSlashesAndDoubledQuotes)
{
    const FitsHeader parsed = parseFits(header({"SIMPLE  = T", "OBJECT  = 'M31 / ''core'' '  / the target"}));
    ASSERT_TRUE(parsed.find("OBJECT"));
    EXPECT_EQ(parsed.find("OBJECT")->value, "M31 / 'core'");
}

TEST(Fits, RefusesTextsThatAreNotWholeHeaders)
{
    EXPECT_THROW(parseFits("SIMPLE = T"), LabelSyntaxError);
    EXPECT_THROW(parseFits(card("SIMPLE  = T") + card("BITPIX  = 8")), LabelSyntaxError);  // no END
    EXPECT_THROW(parseFits(card("SIMPLE  = T") + card("OBJECT  = 'open")), LabelSyntaxError);
}

struct SampleCase {
    int bitpix;
    std::optional<int64_t> bits;  // empty: Bits per sample not set
    std::optional<DataFormat> format;
};

class FitsSampleType : public ::testing::TestWithParam<SampleCase> {};

TEST_P(FitsSampleType, MapsBitpix)
{
    const SampleCase& c = GetParam();
    const LabelLayout layout = layoutOf({"SIMPLE  = T", "BITPIX  = " + std::to_string(c.bitpix), "NAXIS   = 2",
                                         "NAXIS1  = 10", "NAXIS2  = 10"});
    EXPECT_EQ(layout.bitsPerSample ? std::optional<int64_t>(layout.bitsPerSample->value) : std::nullopt, c.bits);
    EXPECT_EQ(layout.dataFormat ? std::optional<DataFormat>(layout.dataFormat->value) : std::nullopt, c.format);
    if (c.format) {
        // Big-endian, but a one-byte sample has no byte order to reverse.
        EXPECT_EQ(layout.reverseBytes->value, c.bits.value_or(0) > 8);
    }
    EXPECT_EQ(layout.notes.empty(), c.format.has_value());
}

INSTANTIATE_TEST_SUITE_P(Bitpix, FitsSampleType,
                         ::testing::Values(SampleCase{8, 8, DataFormat::UnsignedInteger},
                                           SampleCase{16, 16, DataFormat::SignedInteger},
                                           SampleCase{32, 32, DataFormat::SignedInteger},
                                           SampleCase{64, 64, std::nullopt},
                                           SampleCase{-32, 32, DataFormat::Real},
                                           SampleCase{-64, 64, DataFormat::Real},
                                           SampleCase{12, std::nullopt, std::nullopt}));

struct NoteCase {
    std::vector<std::string> cards;
    std::string note;  // part of the one note expected
    bool layoutSet;
};

class FitsNote : public ::testing::TestWithParam<NoteCase> {};

TEST_P(FitsNote, SaysWhatIsNotSet)
{
    const NoteCase& c = GetParam();
    const LabelLayout layout = layoutOf(c.cards);
    ASSERT_EQ(layout.notes.size(), 1u) << (layout.notes.empty() ? "" : layout.notes[0]);
    EXPECT_TRUE(hasNote(layout, c.note)) << layout.notes[0];
    EXPECT_EQ(layout.samplesPerLine.has_value(), c.layoutSet);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitsNote,
    ::testing::Values(
        NoteCase{{"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 0", "EXTEND  = T"}, "NAXIS 0", false},
        NoteCase{{"SIMPLE  = F", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 3", "NAXIS2  = 3"}, "SIMPLE = F", false},
        NoteCase{{"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 4", "NAXIS1  = 3", "NAXIS2  = 3", "NAXIS3  = 2",
                  "NAXIS4  = 2"},
                 "at most three axes", false},
        NoteCase{{"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 3"}, "no whole NAXIS2", false},
        NoteCase{{"SIMPLE  = T", "BITPIX  = 16", "NAXIS   = 2", "NAXIS1  = 3", "NAXIS2  = 3", "BZERO   = 32768",
                  "BSCALE  = 1"},
                 "unsigned 16-bit", true},
        NoteCase{{"SIMPLE  = T", "BITPIX  = -32", "NAXIS   = 2", "NAXIS1  = 3", "NAXIS2  = 3", "BLANK   = -1"},
                 "only to integer samples", true}));

TEST(Fits, TrailingAxesOfOneAreAccepted)
{
    const LabelLayout layout = layoutOf({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 4", "NAXIS1  = 3", "NAXIS2  = 5",
                                         "NAXIS3  = 2", "NAXIS4  = 1"});
    EXPECT_TRUE(layout.notes.empty());
    EXPECT_EQ(layout.bands->value, 2);
    EXPECT_EQ(layout.lines->value, 5);
}

}  // namespace
}  // namespace skeldra
