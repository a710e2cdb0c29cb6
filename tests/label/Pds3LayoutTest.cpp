// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <string>

#include "base/Errors.h"
#include "label/Pds3Layout.h"

namespace skeldra {
namespace {

// Files that pointers may name; "MISSING.IMG" is not among them.
std::optional<std::string> resolve(const std::string& name)
{
    if (name == "MISSING.IMG") return std::nullopt;
    return "/data/" + name;
}

LabelLayout layoutOf(const std::string& text, bool attached = true)
{
    const std::optional<LabelLayout> layout = pds3Layout(parseOdl(text), "x.lbl", attached, resolve);
    if (!layout) throw std::runtime_error("no image object");
    return *layout;
}

std::string image(const std::string& keywords)
{
    return "PDS_VERSION_ID = PDS3\nRECORD_TYPE = FIXED_LENGTH\nRECORD_BYTES = 1024\nLABEL_RECORDS = 10\n" + keywords +
           "END\n";
}

const char* plainImage = "OBJECT = IMAGE\n LINES = 800\n LINE_SAMPLES = 1024\n SAMPLE_BITS = 8\n"
                         " SAMPLE_TYPE = UNSIGNED_INTEGER\nEND_OBJECT = IMAGE\n";

struct PointerCase {
    const char* pointer;
    int64_t headerBytes;
    const char* source;
    const char* dataPath;
};

class Pds3Pointer : public ::testing::TestWithParam<PointerCase> {};

TEST_P(Pds3Pointer, GivesTheHeaderBytesAndTheDataFile)
{
    const PointerCase& c = GetParam();
    const LabelLayout layout = layoutOf(image(std::string(c.pointer) + plainImage));
    ASSERT_TRUE(layout.headerBytes);
    EXPECT_EQ(layout.headerBytes->value, c.headerBytes);
    EXPECT_EQ(layout.headerBytes->source, c.source);
    EXPECT_EQ(layout.dataPath, c.dataPath);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Pds3Pointer,
    ::testing::Values(
        PointerCase{"", 10240, "LABEL_RECORDS 10 × RECORD_BYTES 1024", ""},
        PointerCase{"^IMAGE = 11\n", 10240, "(^IMAGE 11 - 1) × RECORD_BYTES 1024", ""},
        PointerCase{"^IMAGE = 3 <RECORDS>\n", 2048, "(^IMAGE 3 - 1) × RECORD_BYTES 1024", ""},
        PointerCase{"^IMAGE = 2881 <BYTES>\n", 2880, "^IMAGE 2881 <BYTES> - 1", ""},
        PointerCase{"^IMAGE = \"D.IMG\"\n", 0, "^IMAGE \"D.IMG\": start of the file", "/data/D.IMG"},
        PointerCase{"^IMAGE = (\"D.IMG\", 5)\n", 4096, "(^IMAGE 5 - 1) × RECORD_BYTES 1024 in \"D.IMG\"",
                    "/data/D.IMG"},
        PointerCase{"^IMAGE = (\"D.IMG\", 101 <BYTES>)\n", 100, "^IMAGE 101 <BYTES> - 1 in \"D.IMG\"",
                    "/data/D.IMG"}));

TEST(Pds3, APointedFileThatIsMissingLeavesTheHeaderAndSetsTheRest)
{
    const LabelLayout layout = layoutOf(image(std::string("^IMAGE = (\"MISSING.IMG\", 2)\n") + plainImage));
    EXPECT_FALSE(layout.headerBytes);
    ASSERT_EQ(layout.notes.size(), 1u);
    EXPECT_NE(layout.notes[0].find("MISSING.IMG"), std::string::npos);
    ASSERT_TRUE(layout.lines);
    EXPECT_EQ(layout.lines->value, 800);
}

TEST(Pds3, RecordPointerWithoutRecordBytesIsNoted)
{
    const LabelLayout layout = layoutOf(std::string("PDS_VERSION_ID = PDS3\n^IMAGE = 4\n") + plainImage + "END\n");
    EXPECT_FALSE(layout.headerBytes);
    ASSERT_FALSE(layout.notes.empty());
    EXPECT_NE(layout.notes[0].find("RECORD_BYTES"), std::string::npos);
}

struct TypeCase {
    const char* type;
    int bits;
    std::optional<DataFormat> format;  // empty: not mappable
    bool msbFirst;
};

class Pds3SampleType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(Pds3SampleType, MapsToDataFormatAndByteOrder)
{
    const TypeCase& c = GetParam();
    const EncodingResult result = pds3SampleType(c.type, c.bits);
    ASSERT_EQ(result.encoding.has_value(), c.format.has_value()) << c.type << " " << result.problem;
    if (!c.format) {
        EXPECT_FALSE(result.problem.empty());
        return;
    }
    EXPECT_EQ(result.encoding->format, *c.format) << c.type;
    EXPECT_EQ(result.encoding->msbFirst, c.msbFirst) << c.type;
}

using F = DataFormat;
INSTANTIATE_TEST_SUITE_P(
    Types, Pds3SampleType,
    ::testing::Values(
        TypeCase{"MSB_INTEGER", 16, F::SignedInteger, true}, TypeCase{"INTEGER", 16, F::SignedInteger, true},
        TypeCase{"SUN_INTEGER", 32, F::SignedInteger, true}, TypeCase{"MAC_INTEGER", 16, F::SignedInteger, true},
        TypeCase{"LSB_INTEGER", 16, F::SignedInteger, false}, TypeCase{"PC_INTEGER", 32, F::SignedInteger, false},
        TypeCase{"VAX_INTEGER", 16, F::SignedInteger, false},
        TypeCase{"UNSIGNED_INTEGER", 16, F::UnsignedInteger, true},
        TypeCase{"MSB_UNSIGNED_INTEGER", 16, F::UnsignedInteger, true},
        TypeCase{"SUN_UNSIGNED_INTEGER", 32, F::UnsignedInteger, true},
        TypeCase{"MAC_UNSIGNED_INTEGER", 16, F::UnsignedInteger, true},
        TypeCase{"LSB_UNSIGNED_INTEGER", 16, F::UnsignedInteger, false},
        TypeCase{"PC_UNSIGNED_INTEGER", 32, F::UnsignedInteger, false},
        TypeCase{"VAX_UNSIGNED_INTEGER", 16, F::UnsignedInteger, false},
        TypeCase{"MSB_INTEGER", 8, F::UnsignedInteger, true},  // single bytes read unsigned
        TypeCase{"IEEE_REAL", 32, F::Real, true}, TypeCase{"REAL", 64, F::Real, true},
        TypeCase{"SUN_REAL", 32, F::Real, true}, TypeCase{"MAC_REAL", 64, F::Real, true},
        TypeCase{"PC_REAL", 32, F::Real, false}, TypeCase{"PC_REAL", 64, F::Real, false},
        TypeCase{"VAX_REAL", 32, std::nullopt, false}, TypeCase{"VAXG_REAL", 64, std::nullopt, false},
        TypeCase{"IEEE_REAL", 16, std::nullopt, false}, TypeCase{"MSB_INTEGER", 64, std::nullopt, false},
        TypeCase{"CHARACTER", 8, std::nullopt, false}));

TEST(Pds3, ImageKeywordsFillTheLayout)
{
    const LabelLayout layout = layoutOf(image(
        "^IMAGE = 11\nOBJECT = IMAGE\n LINES = 500\n LINE_SAMPLES = 600\n SAMPLE_BITS = 16\n"
        " SAMPLE_TYPE = \"LSB_INTEGER\"\n MISSING_CONSTANT = -32768\nEND_OBJECT = IMAGE\n"));
    EXPECT_EQ(layout.labelKind, "PDS3");
    EXPECT_EQ(layout.lines->value, 500);
    EXPECT_EQ(layout.samplesPerLine->value, 600);
    EXPECT_EQ(layout.bitsPerSample->value, 16);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::SignedInteger);
    EXPECT_FALSE(layout.reverseBytes->value);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::None);
    ASSERT_TRUE(layout.nonDataValue);
    EXPECT_EQ(layout.nonDataValue->value, "-32768");
    EXPECT_TRUE(layout.notes.empty());
}

TEST(Pds3, VaxRealSetsBitsButLeavesTheDataFormat)
{
    const LabelLayout layout = layoutOf(image(
        "OBJECT = IMAGE\n LINES = 5\n LINE_SAMPLES = 6\n SAMPLE_BITS = 32\n SAMPLE_TYPE = VAX_REAL\nEND_OBJECT = IMAGE\n"));
    EXPECT_EQ(layout.bitsPerSample->value, 32);
    EXPECT_FALSE(layout.dataFormat);
    EXPECT_FALSE(layout.reverseBytes);
    ASSERT_EQ(layout.notes.size(), 1u);
    EXPECT_NE(layout.notes[0].find("VAX"), std::string::npos);
}

TEST(Pds3, CompressedImageSetsNothing)
{
    const LabelLayout layout = layoutOf(image(
        "^IMAGE = 11\nOBJECT = IMAGE\n LINES = 5\n LINE_SAMPLES = 6\n SAMPLE_BITS = 8\n ENCODING_TYPE = \"HUFFMAN_FIRST_DIFFERENCE\"\n"
        "END_OBJECT = IMAGE\n"));
    EXPECT_FALSE(layout.headerBytes);
    EXPECT_FALSE(layout.lines);
    EXPECT_FALSE(layout.bitsPerSample);
    ASSERT_EQ(layout.notes.size(), 1u);
    EXPECT_NE(layout.notes[0].find("compressed"), std::string::npos);
}

TEST(Pds3, EncodingTypeNotApplicableIsNotCompression)
{
    const LabelLayout layout = layoutOf(image(
        "OBJECT = IMAGE\n LINES = 5\n LINE_SAMPLES = 6\n SAMPLE_BITS = 8\n SAMPLE_TYPE = LSB_INTEGER\n ENCODING_TYPE = \"N/A\"\nEND_OBJECT = IMAGE\n"));
    EXPECT_TRUE(layout.lines);
    EXPECT_TRUE(layout.notes.empty());
}

struct BandCase {
    const char* keywords;
    BandStructure structure;
    int64_t bands;
};

class Pds3Bands : public ::testing::TestWithParam<BandCase> {};

TEST_P(Pds3Bands, BandStorageTypeGivesTheStructure)
{
    const BandCase& c = GetParam();
    const LabelLayout layout = layoutOf(image(std::string("OBJECT = IMAGE\n LINES = 5\n LINE_SAMPLES = 6\n") +
                                              c.keywords + "END_OBJECT = IMAGE\n"));
    ASSERT_TRUE(layout.bandStructure);
    EXPECT_EQ(layout.bandStructure->value, c.structure);
    ASSERT_TRUE(layout.bands);
    EXPECT_EQ(layout.bands->value, c.bands);
}

INSTANTIATE_TEST_SUITE_P(
    Storage, Pds3Bands,
    ::testing::Values(BandCase{"BANDS = 3\nBAND_STORAGE_TYPE = BAND_SEQUENTIAL\n", BandStructure::BSQ, 3},
                      BandCase{"BANDS = 3\nBAND_STORAGE_TYPE = LINE_INTERLEAVED\n", BandStructure::BIL, 3},
                      BandCase{"BANDS = 3\nBAND_STORAGE_TYPE = \"SAMPLE_INTERLEAVED\"\n", BandStructure::BIP, 3},
                      BandCase{"BANDS = 2\n", BandStructure::BSQ, 2},
                      BandCase{"BANDS = 1\nBAND_STORAGE_TYPE = LINE_INTERLEAVED\n", BandStructure::None, 1}));

TEST(Pds3, LinePrefixGoesIntoHeaderAndPadAndForcesBsqForOneBand)
{
    const LabelLayout layout = layoutOf(image(
        "^IMAGE = 2\nOBJECT = IMAGE\n LINES = 5\n LINE_SAMPLES = 6\n SAMPLE_BITS = 8\n LINE_PREFIX_BYTES = 12\n"
        " LINE_SUFFIX_BYTES = 4\nEND_OBJECT = IMAGE\n"));
    EXPECT_EQ(layout.headerBytes->value, 1024 + 12);
    EXPECT_EQ(layout.linePad->value, 16);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BSQ);
    EXPECT_EQ(layout.bands->value, 1);
}

TEST(Pds3, ImageInsideAFileObjectUsesThePointerAroundIt)
{
    const LabelLayout layout = layoutOf(
        "PDS_VERSION_ID = PDS3\nOBJECT = FILE\n RECORD_BYTES = 100\n ^IMAGE = 4\n OBJECT = IMAGE\n  LINES = 2\n"
        "  LINE_SAMPLES = 100\n  SAMPLE_BITS = 8\n END_OBJECT = IMAGE\nEND_OBJECT = FILE\nEND\n");
    EXPECT_EQ(layout.headerBytes->value, 300);
}

TEST(Pds3, ImageIsPreferredOverOtherObjects)
{
    const LabelLayout layout = layoutOf(image(
        "OBJECT = BROWSE_IMAGE\n LINES = 1\nEND_OBJECT = BROWSE_IMAGE\nOBJECT = IMAGE\n LINES = 9\nEND_OBJECT = IMAGE\n"));
    EXPECT_EQ(layout.lines->value, 9);
}

TEST(Pds3, NoImageObjectGivesNoLayout)
{
    EXPECT_FALSE(pds3Layout(parseOdl(image("OBJECT = TABLE\n ROWS = 2\nEND_OBJECT = TABLE\n")), "x", true, resolve));
}

struct ConstantCase {
    const char* type;
    int bits;
    const char* constant;
    const char* text;  // empty: noted, not set
};

class Pds3Constant : public ::testing::TestWithParam<ConstantCase> {};

TEST_P(Pds3Constant, IsTheNumberTheReaderProduces)
{
    const ConstantCase& c = GetParam();
    const LabelLayout layout = layoutOf(image("OBJECT = IMAGE\n LINES = 1\n LINE_SAMPLES = 1\n SAMPLE_BITS = " +
                                              std::to_string(c.bits) + "\n SAMPLE_TYPE = " + c.type +
                                              "\n MISSING_CONSTANT = " + c.constant + "\nEND_OBJECT = IMAGE\n"));
    if (std::string(c.text).empty()) {
        EXPECT_FALSE(layout.nonDataValue);
        EXPECT_FALSE(layout.notes.empty());
        return;
    }
    ASSERT_TRUE(layout.nonDataValue);
    EXPECT_EQ(layout.nonDataValue->value, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Constants, Pds3Constant,
    ::testing::Values(ConstantCase{"PC_REAL", 32, "16#FF7FFFFB#", "-3.40282266e+38"},
                      ConstantCase{"PC_REAL", 32, "16#3FC00000#", "1.5"},
                      ConstantCase{"IEEE_REAL", 64, "16#BFF8000000000000#", "-1.5"},
                      ConstantCase{"MSB_INTEGER", 16, "16#8000#", "-32768"},
                      ConstantCase{"MSB_UNSIGNED_INTEGER", 16, "16#FFFF#", "65535"},
                      ConstantCase{"PC_REAL", 32, "-1.0E32", "-1.0E32"},
                      ConstantCase{"PC_REAL", 32, "16#7FC00000#", ""},  // NaN
                      ConstantCase{"MSB_INTEGER", 16, "\"NONE\"", ""}));

TEST(Pds3, QubeBandSequentialWithSidePlanes)
{
    const LabelLayout layout = layoutOf(image(
        "^QUBE = 3\nOBJECT = SPECTRAL_QUBE\n AXES = 3\n AXIS_NAME = (SAMPLE, LINE, BAND)\n CORE_ITEMS = (100, 50, 4)\n"
        " CORE_ITEM_BYTES = 2\n CORE_ITEM_TYPE = SUN_INTEGER\n CORE_NULL = -32768\n SUFFIX_BYTES = 4\n"
        " SUFFIX_ITEMS = (1, 2, 0)\nEND_OBJECT = SPECTRAL_QUBE\n"));
    EXPECT_EQ(layout.headerBytes->value, 2048);
    EXPECT_EQ(layout.samplesPerLine->value, 100);
    EXPECT_EQ(layout.lines->value, 50);
    EXPECT_EQ(layout.bands->value, 4);
    EXPECT_EQ(layout.bitsPerSample->value, 16);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::SignedInteger);
    EXPECT_TRUE(layout.reverseBytes->value);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::BSQ);
    EXPECT_EQ(layout.linePad->value, 4);       // one side-plane item per line
    EXPECT_EQ(layout.gap->value, 2 * 101 * 4);  // two bottom-plane lines per band
    EXPECT_EQ(layout.nonDataValue->value, "-32768");
}

struct QubeOrderCase {
    const char* axes;
    const char* core;
    std::optional<BandStructure> structure;
};

class Pds3QubeOrder : public ::testing::TestWithParam<QubeOrderCase> {};

TEST_P(Pds3QubeOrder, AxisNamesGiveTheStructure)
{
    const QubeOrderCase& c = GetParam();
    const LabelLayout layout = layoutOf(image(std::string("OBJECT = QUBE\n AXIS_NAME = ") + c.axes +
                                              "\n CORE_ITEMS = " + c.core +
                                              "\n CORE_ITEM_BYTES = 4\n CORE_ITEM_TYPE = PC_REAL\nEND_OBJECT = QUBE\n"));
    ASSERT_EQ(layout.bandStructure.has_value(), c.structure.has_value());
    if (!c.structure) return;
    EXPECT_EQ(layout.bandStructure->value, *c.structure);
    EXPECT_EQ(layout.samplesPerLine->value, 10);
    EXPECT_EQ(layout.lines->value, 20);
    EXPECT_EQ(layout.bands->value, 3);
}

INSTANTIATE_TEST_SUITE_P(Orders, Pds3QubeOrder,
                         ::testing::Values(QubeOrderCase{"(SAMPLE, LINE, BAND)", "(10, 20, 3)", BandStructure::BSQ},
                                           QubeOrderCase{"(SAMPLE, BAND, LINE)", "(10, 3, 20)", BandStructure::BIL},
                                           QubeOrderCase{"(BAND, SAMPLE, LINE)", "(3, 10, 20)", BandStructure::BIP},
                                           QubeOrderCase{"(LINE, SAMPLE, BAND)", "(20, 10, 3)", std::nullopt}));

// A product of several images: the IMAGE is read as ever, the others are
// named, and any one of them is read when chosen by name or position.
TEST(Pds3Layout, SeveralImagesAreNamedAndEachCanBeChosen)
{
    const std::string text = image(
        "^IMAGE_HEADER = 11\n^BROWSE_IMAGE = 21\n^IMAGE = 31\n"
        "OBJECT = IMAGE_HEADER\n HEADER_TYPE = VICAR2\n BYTES = 2048\nEND_OBJECT = IMAGE_HEADER\n"
        "OBJECT = BROWSE_IMAGE\n LINES = 100\n LINE_SAMPLES = 128\n SAMPLE_BITS = 8\n"
        " SAMPLE_TYPE = UNSIGNED_INTEGER\nEND_OBJECT = BROWSE_IMAGE\n" +
        std::string(plainImage));
    const LabelLayout first = layoutOf(text);
    EXPECT_EQ(first.headerBytes->value, 30 * 1024);
    EXPECT_EQ(first.lines->value, 800);
    EXPECT_EQ(first.image, "IMAGE, 1024 samples × 800 lines (object 2)");
    ASSERT_EQ(first.otherImages.size(), 1u);
    EXPECT_EQ(first.otherImages[0].description, "BROWSE_IMAGE, 128 samples × 100 lines (object 1)");
    EXPECT_EQ(first.otherImages[0].choice.Object, "BROWSE_IMAGE");

    for (const char* chosen : {"BROWSE_IMAGE", "browse_image", "1"}) {
        const auto browse = pds3Layout(parseOdl(text), "x.lbl", true, resolve, chosen);
        ASSERT_TRUE(browse) << chosen;
        EXPECT_EQ(browse->headerBytes->value, 20 * 1024) << chosen;
        EXPECT_EQ(browse->lines->value, 100) << chosen;
        EXPECT_EQ(browse->otherImages.size(), 1u) << chosen;
    }
    try {
        pds3Layout(parseOdl(text), "x.lbl", true, resolve, "LEFT_IMAGE");
        ADD_FAILURE() << "an object the label lacks was read";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "The label has no image object LEFT_IMAGE: its image objects are BROWSE_IMAGE, IMAGE");
    }
}

}  // namespace
}  // namespace skeldra
