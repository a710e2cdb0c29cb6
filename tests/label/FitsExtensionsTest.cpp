// SPDX-License-Identifier: BSD-3-Clause
// FITS files as pipelines write them: images in IMAGE extensions after an
// empty primary header, tables between them, several images of one file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Errors.h"
#include "label/Fits.h"
#include "label/LabelFinder.h"
#include "support/ErrorText.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

std::string padded(std::string text, char fill)
{
    text.resize((text.size() + fitsBlockBytes - 1) / fitsBlockBytes * fitsBlockBytes, fill);
    return text;
}

// An HDU: its cards and END, then `dataBytes` bytes of data, each padded to whole blocks.
std::string hdu(const std::vector<std::string>& cards, size_t dataBytes)
{
    std::string text;
    for (std::string c : cards) {
        c.resize(fitsCardBytes, ' ');
        text += c;
    }
    std::string end = "END";
    end.resize(fitsCardBytes, ' ');
    return padded(text + end, ' ') + padded(std::string(dataBytes, '\x11'), '\0');
}

std::string emptyPrimary() { return hdu({"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 0", "EXTEND  = T"}, 0); }

// An IMAGE extension of samples x lines (x planes) of |bitpix| / 8 bytes.
std::string image(int bitpix, int samples, int lines, int planes = 1, std::vector<std::string> more = {})
{
    std::vector<std::string> cards = {"XTENSION= 'IMAGE   '", "BITPIX  = " + std::to_string(bitpix),
                                      "NAXIS   = " + std::string(planes > 1 ? "3" : "2"),
                                      "NAXIS1  = " + std::to_string(samples), "NAXIS2  = " + std::to_string(lines)};
    if (planes > 1) cards.push_back("NAXIS3  = " + std::to_string(planes));
    cards.insert(cards.end(), {"PCOUNT  = 0", "GCOUNT  = 1"});
    cards.insert(cards.end(), more.begin(), more.end());
    return hdu(cards, static_cast<size_t>(std::abs(bitpix) / 8 * samples * lines * planes));
}

std::string table()
{
    return hdu({"XTENSION= 'BINTABLE'", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 4", "NAXIS2  = 5", "PCOUNT  = 0",
                "GCOUNT  = 1", "TFIELDS = 1", "TFORM1  = 'J'"},
               20);
}

struct Read {
    std::vector<FitsHdu> hdus;
    std::vector<std::string> notes;
};

Read hdusOf(const std::string& file, int64_t budget = 1 << 20)
{
    Read read;
    const FitsRead bytes = [&](int64_t position, size_t n) {
        return position >= static_cast<int64_t>(file.size()) ? std::string()
                                                            : file.substr(static_cast<size_t>(position), n);
    };
    read.hdus = readFitsHdus(parseFits(file), bytes, static_cast<int64_t>(file.size()), budget, read.notes);
    return read;
}

LabelLayout layoutOf(const std::string& file, int64_t chosen = 0)
{
    return fitsFileLayout(hdusOf(file).hdus, "f.fits", chosen);
}

std::vector<std::string> otherImages(const LabelLayout& layout)
{
    std::vector<std::string> descriptions;
    for (const LabelImage& image : layout.otherImages) descriptions.push_back(image.description);
    return descriptions;
}

TEST(FitsExtensions, AlikeImagesAfterAnEmptyPrimaryAreBandsWithTheHeadersAsGaps)
{
    const std::string file = emptyPrimary() + image(16, 5, 3) + image(16, 5, 3) + image(16, 5, 3);
    const LabelLayout layout = layoutOf(file);
    EXPECT_EQ(layout.headerBytes->value, 5760);
    EXPECT_EQ(layout.headerBytes->source, "the data of HDU 2, after its header");
    EXPECT_EQ(layout.samplesPerLine->value, 5);
    EXPECT_EQ(layout.lines->value, 3);
    EXPECT_EQ(layout.bands->value, 3);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BSQ);
    // The data's padding to 2880 bytes and the next header.
    EXPECT_EQ(layout.gap->value, 2880 - 30 + 2880);
    EXPECT_TRUE(layout.reverseBytes->value);
    EXPECT_TRUE(layout.otherImages.empty());
    EXPECT_TRUE(layout.notes.empty());
}

TEST(FitsExtensions, UnlikeImagesAreNamedAndEachCanBeChosen)
{
    const std::string file = hdu({"SIMPLE  = T", "BITPIX  = -32", "NAXIS   = 2", "NAXIS1  = 4", "NAXIS2  = 2"}, 32) +
                             image(8, 3, 3) + table() + image(32, 2, 2, 2);
    const LabelLayout first = layoutOf(file);
    EXPECT_EQ(first.headerBytes->value, 2880);
    EXPECT_EQ(first.image, "HDU 1: the primary image of 4 samples × 2 lines, BITPIX -32");
    EXPECT_EQ(otherImages(first),
              (std::vector<std::string>{"HDU 2: an IMAGE extension of 3 samples × 3 lines, BITPIX 8",
                                        "HDU 4: an IMAGE extension of 2 samples × 2 lines × 2 planes, BITPIX 32"}));
    EXPECT_EQ(first.otherImages[1].choice.Hdu, 4);

    const LabelLayout fourth = layoutOf(file, 4);
    EXPECT_EQ(fourth.headerBytes->value, 4 * 2880 + 3 * 2880);  // three HDUs of two blocks, then its header
    EXPECT_EQ(fourth.bands->value, 2);
    EXPECT_EQ(fourth.bitsPerSample->value, 32);
    EXPECT_EQ(otherImages(fourth).size(), 2u);
    EXPECT_EQ(testing::errorOf([&] { layoutOf(file, 3); }), "HDU 3 holds no image: the images are in HDUs 1, 2, 4");
    EXPECT_EQ(testing::errorOf([&] { layoutOf(file, 9); }), "HDU 9 holds no image: the images are in HDUs 1, 2, 4");
}

// A run of bands needs one gap between all of them, and one reading for all.
TEST(FitsExtensions, OnlyAlikeImagesTheSameGapApartAreBands)
{
    std::vector<std::string> long_header;
    for (int i = 0; i < 40; ++i) long_header.push_back("COMMENT   a card");
    const std::string gaps = emptyPrimary() + image(16, 5, 3) + image(16, 5, 3, 1, long_header) + image(16, 5, 3);
    const LabelLayout twoBands = layoutOf(gaps);
    EXPECT_EQ(twoBands.bands->value, 2);
    EXPECT_EQ(otherImages(twoBands), std::vector<std::string>{"HDU 4: an IMAGE extension of 5 samples × 3 lines, BITPIX 16"});

    const std::string blanks = emptyPrimary() + image(16, 5, 3, 1, {"BLANK   = -1"}) + image(16, 5, 3, 1, {"BLANK   = 0"});
    EXPECT_FALSE(layoutOf(blanks).bands);
    EXPECT_EQ(layoutOf(blanks).otherImages.size(), 1u);
}

TEST(FitsExtensions, HeadersBeyondTheBudgetAreNotRead)
{
    const std::string file = emptyPrimary() + image(8, 2, 2) + image(8, 2, 2) + image(8, 2, 2);
    const Read read = hdusOf(file, 3 * 2880);
    EXPECT_EQ(read.hdus.size(), 3u);
    EXPECT_EQ(read.notes, std::vector<std::string>{"The HDUs from HDU 4 on lie beyond the 8640 bytes of headers read; "
                                                   "they are left out"});
}

// Through the finder, from the file itself, and with an HDU chosen.
TEST(FitsExtensions, TheFinderReadsTheExtensionsOfTheFile)
{
    testing::TempDir dir;
    const std::string path = dir.write("x.fits", emptyPrimary() + image(-32, 6, 4) + image(-32, 6, 4) + table());
    const auto layout = findLabelLayout(path);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->bands->value, 2);
    EXPECT_EQ(layout->dataFormat->value, DataFormat::Real);
    const auto second = findLabelLayout(path, LabelImageChoice{3, ""});
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->bands);
    EXPECT_EQ(second->headerBytes->value, 4 * 2880);
    EXPECT_EQ(testing::errorOf([&] { findLabelLayout(path, LabelImageChoice{0, "IMAGE"}); }),
              "The image object IMAGE was chosen, but the label is FITS: only PDS3 and PDS4 labels name their images");
}

}  // namespace
}  // namespace skeldra
