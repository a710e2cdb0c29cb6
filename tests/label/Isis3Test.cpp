// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "label/Isis3.h"
#include "label/LabelFinder.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

std::string cube(const std::string& core, const std::string& pixels)
{
    return "Object = IsisCube\n  Object = Core\n" + core +
           "    Group = Dimensions\n      Samples = 53\n      Lines   = 37\n      Bands   = 2\n    End_Group\n"
           "    Group = Pixels\n" +
           pixels + "    End_Group\n  End_Object\nEnd_Object\nObject = Label\n  Bytes = 65536\nEnd_Object\nEnd\n";
}

const char* bandSequential = "    StartByte = 65537\n    Format    = BandSequential\n";

std::optional<LabelLayout> layoutOf(const std::string& text) { return isis3Layout(parseOdl(text), "c.cub"); }

TEST(Isis3, BandSequentialCoreSetsTheWholeLayout)
{
    const auto layout = layoutOf(cube(bandSequential, "      Type = SignedWord\n      ByteOrder = Msb\n"
                                                      "      Base = 0.0\n      Multiplier = 1.0\n"));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->labelKind, "ISIS3");
    EXPECT_EQ(layout->headerBytes->value, 65536);
    EXPECT_EQ(layout->samplesPerLine->value, 53);
    EXPECT_EQ(layout->lines->value, 37);
    EXPECT_EQ(layout->bands->value, 2);
    EXPECT_EQ(layout->bandStructure->value, BandStructure::BSQ);
    EXPECT_EQ(layout->bitsPerSample->value, 16);
    EXPECT_EQ(layout->dataFormat->value, DataFormat::SignedInteger);
    EXPECT_TRUE(layout->reverseBytes->value);
    EXPECT_EQ(layout->nonDataValue->value, "-32768");
    EXPECT_TRUE(layout->notes.empty());
}

struct PixelCase {
    const char* type;
    int64_t bits;
    DataFormat format;
    std::optional<std::string> null;
};

class Isis3Pixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(Isis3Pixels, MapsTypeAndNull)
{
    const PixelCase& c = GetParam();
    const auto layout = layoutOf(cube(bandSequential, std::string("      Type = ") + c.type + "\n      ByteOrder = Lsb\n"));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->bitsPerSample->value, c.bits);
    EXPECT_EQ(layout->dataFormat->value, c.format);
    EXPECT_FALSE(layout->reverseBytes->value);
    EXPECT_EQ(layout->nonDataValue ? std::optional<std::string>(layout->nonDataValue->value) : std::nullopt, c.null);
}

INSTANTIATE_TEST_SUITE_P(Types, Isis3Pixels,
                         ::testing::Values(PixelCase{"UnsignedByte", 8, DataFormat::UnsignedInteger, "0"},
                                           PixelCase{"UnsignedWord", 16, DataFormat::UnsignedInteger, "0"},
                                           PixelCase{"SignedWord", 16, DataFormat::SignedInteger, "-32768"},
                                           PixelCase{"Real", 32, DataFormat::Real, "-3.40282266e+38"},
                                           PixelCase{"SignedInteger", 32, DataFormat::SignedInteger, std::nullopt},
                                           PixelCase{"Double", 64, DataFormat::Real, std::nullopt}));

struct RefusalCase {
    std::string core;
    std::string pixels;
    std::string note;
    bool headerSet;
};

class Isis3Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Isis3Refusal, NotesWhatCannotBeRead)
{
    const RefusalCase& c = GetParam();
    const auto layout = layoutOf(cube(c.core, c.pixels));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->notes.size(), 1u);
    EXPECT_NE(layout->notes[0].find(c.note), std::string::npos) << layout->notes[0];
    EXPECT_EQ(layout->headerBytes.has_value(), c.headerSet);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Isis3Refusal,
    ::testing::Values(
        RefusalCase{"    StartByte = 65537\n    Format = Tile\n    TileSamples = 128\n",
                    "      Type = Real\n      ByteOrder = Lsb\n", "the tiles' size is unknown", false},
        RefusalCase{"    ^Core = \"c.core\"\n    Format = BandSequential\n", "      Type = Real\n      ByteOrder = Lsb\n",
                    "detached", false},
        RefusalCase{bandSequential, "      Type = Real\n      ByteOrder = Vax\n", "Lsb or Msb", true},
        RefusalCase{bandSequential, "      Type = Real\n      ByteOrder = Lsb\n      Multiplier = 0.5\n",
                    "Base 0, Multiplier 0.5", true}));

// ISIS writes cubes in tiles unless told otherwise: tiles of the Core's size,
// band after band; one band is "None".
TEST(Isis3, TiledCoreSetsTheTileSize)
{
    for (const auto& [bands, structure] : {std::pair{"2", BandStructure::BSQ}, std::pair{"1", BandStructure::None}}) {
        std::string text = cube("    StartByte = 65537\n    Format = Tile\n    TileSamples = 128\n    TileLines = 64\n",
                                "      Type = Real\n      ByteOrder = Lsb\n");
        text.replace(text.find("Bands   = 2"), 11, std::string("Bands   = ") + bands);
        const auto layout = layoutOf(text);
        ASSERT_TRUE(layout);
        ASSERT_TRUE(layout->tileSamples && layout->tileLines);
        EXPECT_EQ(layout->tileSamples->value, 128);
        EXPECT_EQ(layout->tileLines->value, 64);
        EXPECT_EQ(layout->tileLines->source, "Format Tile, TileLines 64");
        EXPECT_EQ(layout->headerBytes->value, 65536);
        EXPECT_EQ(layout->bandStructure->value, structure);
        EXPECT_TRUE(layout->notes.empty());
    }
}

TEST(Isis3, RecognisesOnlyCubeLabels)
{
    EXPECT_TRUE(looksLikeIsis3("\r\n  object= isiscube\n"));
    EXPECT_FALSE(looksLikeIsis3("Object = Table\n"));
    EXPECT_FALSE(isis3Layout(parseOdl("Object = IsisCube\nEnd_Object\nEnd\n"), "c"));
}

// The finder knows both kinds by their first bytes, whatever the file's name.
TEST(Isis3, FinderReadsCubeAndFitsFilesAttachedLabels)
{
    testing::TempDir dir;
    std::string fits = "SIMPLE  =                    T";
    for (const char* c : {"BITPIX  = -32", "NAXIS   = 2", "NAXIS1  = 4", "NAXIS2  = 2", "END"}) {
        std::string line = c;
        line.resize(80, ' ');
        fits.resize((fits.size() + 79) / 80 * 80, ' ');
        fits += line;
    }
    fits.resize(2880 + 32, ' ');
    std::string isis = cube(bandSequential, "      Type = Real\n      ByteOrder = Lsb\n");
    isis.resize(65536 + 53 * 37 * 2 * 4, '\0');
    for (const auto& [name, text, kind, header] :
         {std::tuple{"a.dat", fits, "FITS", 2880}, std::tuple{"b.dat", isis, "ISIS3", 65536}}) {
        const auto layout = findLabelLayout(dir.write(name, text));
        ASSERT_TRUE(layout) << name;
        EXPECT_EQ(layout->labelKind, kind);
        EXPECT_EQ(layout->headerBytes->value, header);
        EXPECT_EQ(layout->dataFormat->value, DataFormat::Real);
        EXPECT_TRUE(layout->notes.empty());
    }
}

}  // namespace
}  // namespace skeldra
