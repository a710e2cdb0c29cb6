// SPDX-License-Identifier: BSD-3-Clause
// Layout headers for other tools: every layout gets a VRT whose offsets are
// the reader's own; ENVI and PDS3 write what they can describe and refuse the
// rest; the operation names the lines and the raw file as other tools need.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "base/Errors.h"
#include "label/Envi.h"
#include "label/Odl.h"
#include "label/Xml.h"
#include "output/LayoutHeaders.h"
#include "output/OutputHarness.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

using namespace testing;

struct LayoutCase {
    const char* name;
    BandStructure structure;
    BandPadding padding;
    bool envi;  // whether ENVI can describe it
    bool pds3;
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

RasterLayout rasterOf(const LayoutCase& c)
{
    RasterLayout layout;
    layout.HeaderBytes = 40;
    layout.NumBands = 3;
    layout.NumSamples = 5;
    layout.BytesPerSample = 2;
    layout.Structure = c.structure;
    BandPadding padding = c.padding;
    padding.lines = 4;
    const BandStrides strides = bandStrides(c.structure, 5, 2, 3, padding);
    layout.InnerStepBytes = strides.InnerStepBytes;
    layout.OuterStepBytes = strides.OuterStepBytes;
    return layout;
}

RawFileLayout layoutOf(const LayoutCase& c)
{
    RawFileLayout d = describeLayout(rasterOf(c), 4, SampleKind::I16, true, c.padding.linePad);
    d.rawPath = "scene & more.img";
    return d;
}

// Reads back the offsets a VRT states, band by band.
std::vector<int64_t> vrtValues(const std::string& text, const std::string& element)
{
    std::vector<int64_t> values;
    const std::regex pattern("<" + element + ">(-?[0-9]+)</" + element + ">");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        values.push_back(std::stoll((*it)[1]));
    return values;
}

class LayoutHeaders : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutHeaders, VrtAlwaysAndTheOthersOnlyWhenTheyDescribeTheFile)
{
    const LayoutCase& c = GetParam();
    const RawFileLayout d = layoutOf(c);
    const std::string vrt = vrtHeader(d);
    std::vector<int64_t> bandOffsets;
    for (int32_t b = 1; b <= d.bands; ++b) bandOffsets.push_back(samplePosition(rasterOf(c), 1, b, 1));
    EXPECT_EQ(vrtValues(vrt, "ImageOffset"), bandOffsets);
    EXPECT_EQ(vrtValues(vrt, "PixelOffset"), std::vector<int64_t>(d.bands, d.pixelOffset));
    EXPECT_EQ(vrtValues(vrt, "LineOffset"), std::vector<int64_t>(d.bands, d.lineOffset));
    EXPECT_NE(vrt.find("scene &amp; more.img"), std::string::npos);
    EXPECT_NE(vrt.find("<ByteOrder>MSB</ByteOrder>"), std::string::npos);

    if (c.envi) {
        const std::string envi = enviHeader(d);
        EXPECT_NE(envi.find("header offset = 40\n"), std::string::npos);
        EXPECT_NE(envi.find("data type = 2\n"), std::string::npos);
    } else {
        EXPECT_THROW(enviHeader(d), Error);
    }
    if (c.pds3) {
        const std::string label = pds3Label(d);
        EXPECT_NE(label.find("SAMPLE_TYPE        = MSB_INTEGER"), std::string::npos);
        // A line pad is the prefix of the next line: the image starts that much earlier.
        const int64_t start = 40 - d.linePad + 1;
        EXPECT_NE(label.find(", " + std::to_string(start) + " <BYTES>)"), std::string::npos) << label;
    } else {
        EXPECT_THROW(pds3Label(d), Error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutHeaders,
    ::testing::Values(LayoutCase{"none", BandStructure::None, {}, true, true},
                      LayoutCase{"bil", BandStructure::BIL, {}, true, true},
                      LayoutCase{"bil_line_pad", BandStructure::BIL, {0, 6, 0, 0}, false, true},
                      LayoutCase{"bil_band_pad", BandStructure::BIL, {4, 0, 0, 0}, false, false},
                      LayoutCase{"bip", BandStructure::BIP, {}, true, true},
                      LayoutCase{"bip_line_pad", BandStructure::BIP, {0, 8, 0, 0}, false, true},
                      LayoutCase{"bsq", BandStructure::BSQ, {}, true, true},
                      LayoutCase{"bsq_line_pad", BandStructure::BSQ, {0, 2, 0, 0}, false, true},
                      LayoutCase{"bsq_gap", BandStructure::BSQ, {0, 0, 12, 0}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A file name is data, never syntax: each header names the raw file so that
// our own readers get exactly that name back, or refuses it; no name adds a
// statement of its own.
struct NameCase {
    const char* label;
    std::string name;
    bool vrt;  // whether each format can hold the name
    bool pds3;
};

TEST(LayoutHeaderNames, ReadBackExactlyOrAreRefused)
{
    const std::vector<NameCase> cases = {
        {"plain", "scene.img", true, true},
        {"xml and odl syntax", "a<b>&'c' (1, 2 <BYTES>).img", true, true},
        {"double quote", "q\"uote.raw\", 99 <BYTES>)", true, false},
        {"braces and line breaks", "a}\nheader offset = 0\nbyte order = 1\n{.raw", false, false},
        {"control character", std::string("bell\x07.raw"), false, false},
        {"invalid utf-8", "caf\xE9.raw", false, true},
        {"utf-8", "caf\xC3\xA9.raw", true, true},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        RawFileLayout d = layoutOf(LayoutCase{"bsq", BandStructure::BSQ, {}, true, true});
        d.rawPath = c.name;
        if (c.vrt) {
            const XmlElement root = parseXml(vrtHeader(d));
            for (const XmlElement* band : root.childrenNamed("VRTRasterBand"))
                EXPECT_EQ(band->child("SourceFilename")->text, c.name);
        } else {
            EXPECT_THROW(vrtHeader(d), Error);
        }
        if (c.pds3) {
            const OdlLabel label = parseOdl(pds3Label(d));
            const OdlValue* pointer = label.root.find("^IMAGE");
            ASSERT_NE(pointer, nullptr);
            EXPECT_EQ(pointer->items.at(0).text, c.name);
        } else {
            EXPECT_THROW(pds3Label(d), Error);
        }
        const EnviHeader envi = parseEnvi(enviHeader(d));
        for (const char* key : {"header offset", "byte order", "samples", "description"})
            EXPECT_EQ(envi.count(key), 1) << key;
        EXPECT_EQ(*envi.find("header offset"), "40");
    }
}

// A repeated key takes its last value, as GDAL reads it, and says so.
TEST(LayoutHeaderNames, RepeatedEnviKeysTakeTheLastValue)
{
    const EnviHeader header = parseEnvi("ENVI\nsamples = 4\nlines = 2\nheader offset = 10\nheader offset = 20\n");
    const LabelLayout layout = enviLayout(header, "x.hdr");
    ASSERT_TRUE(layout.headerBytes);
    EXPECT_EQ(layout.headerBytes->value, 20);
    EXPECT_EQ(layout.notes, std::vector<std::string>{"header offset is given 2 times; the last one, 20, is taken"});
}

// The operation: lines from the file's size for BIL, the raw file named
// relative to the header, a refusal creating nothing.
TEST(SaveLayout, WritesBesideTheRawFileOrRefusesWithoutAFile)
{
    OutputHarness h(Bytes(10 + 7 * (2 * 4 + 1)), 4, 1,
                    {{Box::HeaderBytes, "10"}, {Box::NumBands, "2"}, {Box::NumRowPadBytes, "1"}}, {Choice::BIL});
    h.output = h.dir.file("Test.vrt");
    h.window.saveDialogAnswer = h.output;
    h.main.SaveLayout_ButtonClick();
    EXPECT_EQ(h.window.errors(), Lines{});
    const std::string vrt = [&] {
        const Bytes bytes = readFile(h.output);
        return std::string(bytes.begin(), bytes.end());
    }();
    EXPECT_NE(vrt.find("rasterYSize=\"7\""), std::string::npos) << vrt;
    EXPECT_NE(vrt.find("<SourceFilename relativeToVRT=\"1\">Test.IMG</SourceFilename>"), std::string::npos);
    EXPECT_EQ(h.window.lastSaveProposal(), h.dir.file("Test.vrt"));

    h.window.saveDialogAnswer = h.dir.file("Test.hdr");
    h.main.SaveLayout_ButtonClick();
    EXPECT_EQ(h.window.errors(), Lines{"An ENVI header cannot describe a line pad (1 bytes)"});
    EXPECT_FALSE(std::filesystem::exists(h.dir.file("Test.hdr")));
}

}  // namespace
}  // namespace skeldra
