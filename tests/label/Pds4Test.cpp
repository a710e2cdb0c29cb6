// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <string>

#include "base/Errors.h"
#include "label/Pds4Layout.h"
#include "label/Xml.h"

namespace skeldra {
namespace {

TEST(Xml, ReadsPrologElementsAttributesEntitiesCdataAndComments)
{
    const XmlElement root = parseXml(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<?xml-model href=\"x.sch\"?>\n<!DOCTYPE p [ <!ENTITY e \"x\"> ]>\n<!-- c -->\n"
        "<pds:Product xmlns:pds='http://x'>\n"
        "  <a unit=\"byte\" q='1 &lt; 2'>10<!-- inner --></a>\n"
        "  <b><![CDATA[<raw> & text]]></b>\n"
        "  <c>&amp;&#65;&#x42;&quot;&apos;&gt;</c>\n"
        "  <d/>\n"
        "</pds:Product>\n<!-- after -->\n");
    EXPECT_EQ(root.name, "Product");
    ASSERT_EQ(root.children.size(), 4u);
    EXPECT_EQ(root.childText("a"), "10");
    EXPECT_EQ(root.child("a")->attribute("unit"), "byte");
    EXPECT_EQ(root.child("a")->attribute("q"), "1 < 2");
    EXPECT_EQ(root.childText("b"), "<raw> & text");
    EXPECT_EQ(root.childText("c"), "&AB\"'>");
    EXPECT_TRUE(root.child("d"));
    EXPECT_FALSE(root.child("e"));
}

class XmlBroken : public ::testing::TestWithParam<const char*> {};

TEST_P(XmlBroken, IsRefused) { EXPECT_THROW(parseXml(GetParam()), LabelSyntaxError) << GetParam(); }

INSTANTIATE_TEST_SUITE_P(Texts, XmlBroken,
                         ::testing::Values("", "<a>", "<a></b>", "<a x=1></a>", "<a>&nbsp;</a>", "<a/><b/>",
                                           "<a><![CDATA[x</a>", "<a><!-- x</a>", "text"));

std::string product(const std::string& array, const std::string& fileName = "d.img")
{
    return "<?xml version=\"1.0\"?>\n<Product_Observational xmlns=\"http://pds.nasa.gov/pds4/pds/v1\">\n"
           " <Identification_Area/>\n <File_Area_Observational>\n  <File><file_name>" +
           fileName + "</file_name></File>\n  <Header><offset unit=\"byte\">0</offset></Header>\n" + array +
           " </File_Area_Observational>\n</Product_Observational>\n";
}

std::string axis(const char* name, int elements, int sequence)
{
    return "<Axis_Array><axis_name>" + std::string(name) + "</axis_name><elements>" + std::to_string(elements) +
           "</elements><sequence_number>" + std::to_string(sequence) + "</sequence_number></Axis_Array>\n";
}

std::string array(const std::string& kind, const std::string& type, const std::string& axes,
                  const std::string& extra = "")
{
    return "<" + kind + "><offset unit=\"byte\">2880</offset><axes>3</axes>"
           "<axis_index_order>Last Index Fastest</axis_index_order>"
           "<Element_Array><data_type>" + type + "</data_type></Element_Array>\n" + axes + extra + "</" + kind + ">\n";
}

std::optional<std::string> found(const std::string& name) { return "/data/" + name; }
std::optional<std::string> missing(const std::string&) { return std::nullopt; }

LabelLayout layoutOf(const std::string& text, const FileResolver& resolve = found)
{
    return pds4Layout(parseXml(text), "d.xml", "", resolve);
}

TEST(Pds4, Array2DImage)
{
    const LabelLayout layout = layoutOf(product(array(
        "Array_2D_Image", "SignedMSB2", axis("Line", 300, 1) + axis("Sample", 400, 2),
        "<Special_Constants><missing_constant>-32768</missing_constant></Special_Constants>")));
    EXPECT_EQ(layout.labelKind, "PDS4");
    EXPECT_EQ(layout.dataPath, "/data/d.img");
    EXPECT_EQ(layout.headerBytes->value, 2880);
    EXPECT_EQ(layout.headerBytes->source, "offset 2880 of Array_2D_Image");
    EXPECT_EQ(layout.lines->value, 300);
    EXPECT_EQ(layout.samplesPerLine->value, 400);
    EXPECT_EQ(layout.bitsPerSample->value, 16);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::SignedInteger);
    EXPECT_TRUE(layout.reverseBytes->value);
    EXPECT_EQ(layout.bandStructure->value, BandStructure::None);
    EXPECT_EQ(layout.nonDataValue->value, "-32768");
    EXPECT_TRUE(layout.notes.empty());
}

struct OrderCase {
    const char* first;
    const char* second;
    const char* third;
    BandStructure structure;
};

class Pds4Order : public ::testing::TestWithParam<OrderCase> {};

TEST_P(Pds4Order, Array3DAxisOrderGivesTheStructure)
{
    const OrderCase& c = GetParam();
    auto size = [](const char* name) { return std::string(name) == "Band" ? 3 : std::string(name) == "Line" ? 20 : 10; };
    // Written out of order: the sequence numbers decide.
    const LabelLayout layout = layoutOf(product(array(
        "Array_3D_Image", "IEEE754LSBSingle",
        axis(c.third, size(c.third), 3) + axis(c.first, size(c.first), 1) + axis(c.second, size(c.second), 2))));
    ASSERT_TRUE(layout.bandStructure);
    EXPECT_EQ(layout.bandStructure->value, c.structure);
    EXPECT_EQ(layout.bands->value, 3);
    EXPECT_EQ(layout.lines->value, 20);
    EXPECT_EQ(layout.samplesPerLine->value, 10);
    EXPECT_EQ(layout.dataFormat->value, DataFormat::Real);
    EXPECT_FALSE(layout.reverseBytes->value);
}

INSTANTIATE_TEST_SUITE_P(Orders, Pds4Order,
                         ::testing::Values(OrderCase{"Band", "Line", "Sample", BandStructure::BSQ},
                                           OrderCase{"Line", "Band", "Sample", BandStructure::BIL},
                                           OrderCase{"Line", "Sample", "Band", BandStructure::BIP}));

struct TypeCase {
    const char* type;
    int64_t bits;  // 0: nothing set
    std::optional<DataFormat> format;
    bool msbFirst;
};

class Pds4Type : public ::testing::TestWithParam<TypeCase> {};

TEST_P(Pds4Type, MapsTheDataType)
{
    const TypeCase& c = GetParam();
    const LabelLayout layout =
        layoutOf(product(array("Array_2D_Image", c.type, axis("Line", 2, 1) + axis("Sample", 2, 2))));
    EXPECT_EQ(layout.bitsPerSample ? layout.bitsPerSample->value : 0, c.bits) << c.type;
    ASSERT_EQ(layout.dataFormat.has_value(), c.format.has_value()) << c.type;
    if (!c.format) return;
    EXPECT_EQ(layout.dataFormat->value, *c.format) << c.type;
    EXPECT_EQ(layout.reverseBytes->value, c.msbFirst) << c.type;
}

using F = DataFormat;
INSTANTIATE_TEST_SUITE_P(
    Types, Pds4Type,
    ::testing::Values(TypeCase{"UnsignedByte", 8, F::UnsignedInteger, false},
                      TypeCase{"SignedByte", 8, F::UnsignedInteger, false},
                      TypeCase{"UnsignedLSB2", 16, F::UnsignedInteger, false},
                      TypeCase{"UnsignedMSB2", 16, F::UnsignedInteger, true},
                      TypeCase{"SignedLSB2", 16, F::SignedInteger, false},
                      TypeCase{"SignedLSB4", 32, F::SignedInteger, false},
                      TypeCase{"UnsignedMSB4", 32, F::UnsignedInteger, true},
                      TypeCase{"IEEE754MSBSingle", 32, F::Real, true},
                      TypeCase{"IEEE754LSBDouble", 64, F::Real, false},
                      TypeCase{"IEEE754MSBDouble", 64, F::Real, true},
                      TypeCase{"SignedLSB8", 64, std::nullopt, false},
                      TypeCase{"UnsignedMSB8", 64, std::nullopt, false},
                      TypeCase{"ComplexLSB8", 0, std::nullopt, false}));

TEST(Pds4, HexMissingConstantIsTheValueOfItsBits)
{
    const LabelLayout layout = layoutOf(product(array(
        "Array_2D_Image", "IEEE754MSBSingle", axis("Line", 2, 1) + axis("Sample", 2, 2),
        "<Special_Constants><missing_constant>0x3FC00000</missing_constant></Special_Constants>")));
    ASSERT_TRUE(layout.nonDataValue);
    EXPECT_EQ(layout.nonDataValue->value, "1.5");
}

TEST(Pds4, AMissingDataFileLeavesTheHeaderAndSaysSo)
{
    const LabelLayout layout =
        layoutOf(product(array("Array_2D_Image", "UnsignedByte", axis("Line", 2, 1) + axis("Sample", 2, 2))), missing);
    EXPECT_FALSE(layout.headerBytes);
    EXPECT_TRUE(layout.dataPath.empty());
    ASSERT_EQ(layout.notes.size(), 1u);
    EXPECT_NE(layout.notes[0].find("d.img"), std::string::npos);
    EXPECT_EQ(layout.lines->value, 2);
}

TEST(Pds4, TransposedAndFirstIndexFastestArraysAreNotMapped)
{
    const LabelLayout transposed =
        layoutOf(product(array("Array_2D_Image", "UnsignedByte", axis("Sample", 2, 1) + axis("Line", 3, 2))));
    EXPECT_FALSE(transposed.lines);
    EXPECT_EQ(transposed.notes.size(), 1u);
    std::string text = product(array("Array_2D_Image", "UnsignedByte", axis("Line", 2, 1) + axis("Sample", 2, 2)));
    text.replace(text.find("Last Index Fastest"), 18, "First Index Fastest");
    const LabelLayout firstFastest = layoutOf(text);
    EXPECT_FALSE(firstFastest.lines);
    EXPECT_EQ(firstFastest.notes.size(), 1u);
}

TEST(Pds4, TheFileAreaOfTheOpenedFileIsChosen)
{
    const std::string area2 = " </File_Area_Observational>\n <File_Area_Observational>\n  <File><file_name>e.img"
                              "</file_name></File>\n" +
                              array("Array_2D_Image", "UnsignedByte", axis("Line", 7, 1) + axis("Sample", 7, 2));
    const std::string text =
        product(array("Array_2D_Image", "UnsignedByte", axis("Line", 2, 1) + axis("Sample", 2, 2)) + area2);
    EXPECT_EQ(pds4Layout(parseXml(text), "x.xml", "E.IMG", found).lines->value, 7);
    EXPECT_EQ(pds4Layout(parseXml(text), "x.xml", "", found).lines->value, 2);
}

TEST(Pds4, ALabelWithoutAnImageArrayIsNoted)
{
    const LabelLayout layout = layoutOf(product("<Table_Binary><offset unit=\"byte\">0</offset></Table_Binary>\n"));
    EXPECT_FALSE(layout.headerBytes);
    EXPECT_EQ(layout.notes.size(), 1u);
}

TEST(Pds4, SeveralArraysAreNamedAndEachCanBeChosen)
{
    const std::string arrays =
        array("Array_2D_Image", "UnsignedByte",
              "<local_identifier>full</local_identifier>" + axis("Line", 30, 1) + axis("Sample", 40, 2)) +
        array("Array_2D_Image", "SignedMSB2",
              "<local_identifier>browse</local_identifier>" + axis("Line", 3, 1) + axis("Sample", 4, 2));
    const std::string text = product(arrays);
    const LabelLayout first = layoutOf(text);
    EXPECT_EQ(first.lines->value, 30);
    EXPECT_EQ(first.image, "Array_2D_Image full (array 1, in d.img): Line 30 × Sample 40");
    ASSERT_EQ(first.otherImages.size(), 1u);
    EXPECT_EQ(first.otherImages[0].description, "Array_2D_Image browse (array 2, in d.img): Line 3 × Sample 4");
    EXPECT_EQ(first.otherImages[0].choice.Object, "browse");
    for (const char* chosen : {"browse", "BROWSE", "2"}) {
        const LabelLayout second = pds4Layout(parseXml(text), "d.xml", "", found, chosen);
        EXPECT_EQ(second.lines->value, 3) << chosen;
        EXPECT_EQ(second.bitsPerSample->value, 16) << chosen;
    }
    try {
        pds4Layout(parseXml(text), "d.xml", "", found, "3");
        ADD_FAILURE() << "an array the label lacks was read";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "The label has no image array 3: its arrays are full, browse");
    }
}

}  // namespace
}  // namespace skeldra
