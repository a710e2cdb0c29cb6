// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/Errors.h"
#include "label/ApplyLabel.h"
#include "label/FakePort.h"
#include "label/LabelFinder.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

using testing::FakePort;
using testing::TempDir;

// A label padded with blanks to `size` bytes, then `dataBytes` zero bytes.
std::string withData(std::string label, std::size_t size, std::size_t dataBytes = 64)
{
    label.resize(size, ' ');
    return label + std::string(dataBytes, '\0');
}

bool logHas(const FakePort& port, const std::string& line)
{
    return std::find(port.log.begin(), port.log.end(), line) != port.log.end();
}

std::string logText(const FakePort& port)
{
    std::string text;
    for (const std::string& line : port.log) text += line + "\n";
    return text;
}

const char* attachedPds3 =
    "PDS_VERSION_ID = PDS3\r\nRECORD_TYPE = FIXED_LENGTH\r\nRECORD_BYTES = 512\r\nLABEL_RECORDS = 2\r\n"
    "^IMAGE = 3\r\nOBJECT = IMAGE\r\n  LINES = 4\r\n  LINE_SAMPLES = 8\r\n  SAMPLE_BITS = 16\r\n"
    "  SAMPLE_TYPE = MSB_INTEGER\r\n  BANDS = 2\r\n  BAND_STORAGE_TYPE = LINE_INTERLEAVED\r\n"
    "  MISSING_CONSTANT = -32768\r\nEND_OBJECT = IMAGE\r\nEND\r\n";

TEST(ApplyLayoutFromLabel, AttachedPds3SetsEveryBoxAndLogsItsKeyword)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write("a.img", withData(attachedPds3, 1024, 128));
    ApplyLayoutFromLabel(port);

    EXPECT_EQ(port.text(Box::HeaderBytes), "1024");
    EXPECT_EQ(port.text(Box::NumSamples), "8");
    EXPECT_EQ(port.text(Box::BitsPerSample), "16");
    EXPECT_EQ(port.text(Box::NumBands), "2");
    EXPECT_EQ(port.text(Box::NumSingleImageLines), "4");
    EXPECT_EQ(port.text(Box::NumRowPadBytes), "0");
    EXPECT_EQ(port.text(Box::NumBandPadBytes), "0");
    EXPECT_EQ(port.text(Box::NumBandGapBytes), "0");
    EXPECT_EQ(port.text(Box::StartLine), "1");
    EXPECT_EQ(port.text(Box::EndLine), "4");
    EXPECT_EQ(port.text(Box::StartSample), "1");
    EXPECT_EQ(port.text(Box::EndSample), "8");
    EXPECT_EQ(port.text(Box::NonDataValue), "-32768");
    EXPECT_TRUE(port.isOn(Choice::SignedInteger));
    EXPECT_TRUE(port.isOn(Choice::ReverseBytes));
    EXPECT_TRUE(port.isOn(Choice::BIL));
    EXPECT_TRUE(port.isOn(Choice::IgnoreNonDataValue));

    const std::string log = logText(port);
    EXPECT_TRUE(logHas(port, "Header bytes = 1024 ((^IMAGE 3 - 1) × RECORD_BYTES 512)")) << log;
    EXPECT_TRUE(logHas(port, "Samples per line = 8 (LINE_SAMPLES 8)")) << log;
    EXPECT_TRUE(logHas(port, "Bits per sample = 16 (SAMPLE_BITS 16)")) << log;
    EXPECT_TRUE(logHas(port, "Data Format = Signed Integer (SAMPLE_TYPE MSB_INTEGER)")) << log;
    EXPECT_TRUE(logHas(port, "Reverse byte order = checked (SAMPLE_TYPE MSB_INTEGER: most significant byte first)"))
        << log;
    EXPECT_TRUE(logHas(port, "Band structure = BIL (BAND_STORAGE_TYPE LINE_INTERLEAVED)")) << log;
    EXPECT_TRUE(logHas(port, "End line = 4 (LINES 4)")) << log;
    EXPECT_TRUE(logHas(port, "Ignore non-data value: checked (MISSING_CONSTANT -32768)")) << log;
    EXPECT_TRUE(logHas(port, "Non-data value = -32768 (MISSING_CONSTANT -32768)")) << log;
    // One log line per control set, besides the heading and the closing empty line.
    EXPECT_EQ(port.log.size(), static_cast<std::size_t>(port.changes) + 2) << log;
    EXPECT_EQ(port.state.InputFilename, dir.file("a.img"));
}

TEST(ApplyLayoutFromLabel, DescribeGivesTheLinesTheButtonLogs)
{
    TempDir dir;
    FakePort port;
    port.texts[Box::BandNum] = "1";
    port.state.InputFilename = dir.write("a.img", withData(attachedPds3, 1024));
    ApplyLayoutFromLabel(port);
    std::vector<std::string> expected = port.log;
    expected.pop_back();  // the closing empty line
    EXPECT_EQ(DescribeLabelLayout(port.state.InputFilename), expected);
}

TEST(ApplyLayoutFromLabel, NoLabelChangesNothing)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write("raw.dat", std::string(100, '\x07'));
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.changes, 0);
    ASSERT_EQ(port.log.size(), 1u);
    EXPECT_NE(port.log[0].find("No PDS3, VICAR, PDS4, ENVI, ISIS3 or FITS label found"), std::string::npos);
    EXPECT_EQ(port.state.InputFilename, dir.file("raw.dat"));
}

TEST(ApplyLayoutFromLabel, AMissingInputIsTheIoError)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.file("absent.img");
    try {
        ApplyLayoutFromLabel(port);
        FAIL();
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(port.changes, 0);
}

TEST(ApplyLayoutFromLabel, AnUnreadableLabelChangesNothingAndSaysWhy)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write("b.img", withData("PDS_VERSION_ID = PDS3\nLINES = (1,\n", 200));
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.changes, 0);
    const std::string log = logText(port);
    EXPECT_NE(log.find("The PDS3 label could not be read (line "), std::string::npos) << log;
    EXPECT_NE(log.find("message: The PDS3 label could not be read (line "), std::string::npos) << log;
}

struct DetachedCase {
    const char* labelName;
    const char* dataName;
};

class DetachedPds3 : public ::testing::TestWithParam<DetachedCase> {};

TEST_P(DetachedPds3, IsFoundBesideTheDataFile)
{
    TempDir dir;
    const std::string data = dir.write(GetParam().dataName, std::string(300, '\0'));
    dir.write(GetParam().labelName,
              "PDS_VERSION_ID = PDS3\nRECORD_BYTES = 100\n^IMAGE = (\"SCENE.IMG\", 2)\nOBJECT = IMAGE\n"
              " LINES = 2\n LINE_SAMPLES = 100\n SAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n");
    FakePort port;
    port.state.InputFilename = data;
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.text(Box::HeaderBytes), "100");
    EXPECT_TRUE(port.isOn(Choice::NoBands));
    EXPECT_EQ(port.state.InputFilename, data);  // the pointer names the input itself
    EXPECT_TRUE(port.shownInputFilename.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, DetachedPds3,
                         ::testing::Values(DetachedCase{"SCENE.LBL", "SCENE.IMG"}, DetachedCase{"scene.lbl", "scene.img"},
                                           DetachedCase{"SCENE.lbl", "SCENE.IMG"}));

TEST(ApplyLayoutFromLabel, OpeningTheDetachedLabelSwitchesToItsDataFile)
{
    TempDir dir;
    const std::string data = dir.write("scene.img", std::string(300, '\0'));
    const std::string label = dir.write(
        "scene.lbl", "PDS_VERSION_ID = PDS3\nRECORD_BYTES = 100\n^IMAGE = \"SCENE.IMG\"\nOBJECT = IMAGE\n"
                     " LINES = 3\n LINE_SAMPLES = 100\n SAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n");
    FakePort port;
    port.state.InputFilename = label;
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.state.InputFilename, data);
    EXPECT_EQ(port.state.SaveDialogFileName, dir.file("scene.bmp"));
    EXPECT_EQ(port.shownInputFilename, data);
    EXPECT_TRUE(logHas(port, "Input file = " + data + " (the file the label describes)")) << logText(port);
    EXPECT_EQ(port.text(Box::HeaderBytes), "0");
}

TEST(ApplyLayoutFromLabel, AMissingPointedFileLeavesTheHeaderBox)
{
    TempDir dir;
    const std::string label = dir.write(
        "c.lbl", "PDS_VERSION_ID = PDS3\n^IMAGE = \"GONE.IMG\"\nOBJECT = IMAGE\n LINES = 3\n LINE_SAMPLES = 10\n"
                 " SAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n");
    FakePort port;
    port.state.InputFilename = label;
    ApplyLayoutFromLabel(port);
    EXPECT_FALSE(port.has(Box::HeaderBytes));
    EXPECT_EQ(port.text(Box::NumSamples), "10");
    EXPECT_EQ(port.state.InputFilename, label);
    const std::string log = logText(port);
    EXPECT_NE(log.find("Not set: The file \"GONE.IMG\" that ^IMAGE names was not found"), std::string::npos) << log;
}

std::string vicar(const std::string& items, std::size_t size)
{
    std::string text = "LBLSIZE=" + std::to_string(size) + "  " + items;
    text.resize(size, ' ');
    return text;
}

TEST(ApplyLayoutFromLabel, AttachedVicar)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write(
        "v.vic", vicar("FORMAT='HALF' TYPE='IMAGE' ORG='BSQ' NL=3 NS=5 NB=1 NBB=0 NLB=0 INTFMT='HIGH'", 100) +
                     std::string(30, '\0'));
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.text(Box::HeaderBytes), "100");
    EXPECT_EQ(port.text(Box::NumSamples), "5");
    EXPECT_TRUE(port.isOn(Choice::SignedInteger));
    EXPECT_TRUE(port.isOn(Choice::ReverseBytes));
    EXPECT_TRUE(logHas(port, "Header bytes = 100 (LBLSIZE 100)")) << logText(port);
}

TEST(ApplyLayoutFromLabel, Pds3WithAnEmbeddedVicarLabel)
{
    const std::string embedded = vicar("FORMAT='BYTE' ORG='BSQ' NL=2 NS=50 NB=1", 200);
    // With an IMAGE object the PDS3 label rules; without one the VICAR label does.
    const std::string withImage = withData("PDS_VERSION_ID = PDS3\nRECORD_BYTES = 100\n^IMAGE_HEADER = 3\n"
                                           "^IMAGE = 5\nOBJECT = IMAGE\n LINES = 2\n LINE_SAMPLES = 50\n"
                                           " SAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n",
                                           200, 0) +
                                  embedded + std::string(100, '\0');
    const std::string withoutImage =
        withData("PDS_VERSION_ID = PDS3\nRECORD_BYTES = 100\n^IMAGE_HEADER = 4\nEND\n", 300, 0) + embedded +
        std::string(100, '\0');
    TempDir dir;
    FakePort first;
    first.state.InputFilename = dir.write("p.img", withImage);
    ApplyLayoutFromLabel(first);
    EXPECT_EQ(first.text(Box::HeaderBytes), "400");
    EXPECT_NE(first.log[0].find("PDS3"), std::string::npos);

    FakePort second;
    second.state.InputFilename = dir.write("q.img", withoutImage);
    ApplyLayoutFromLabel(second);
    EXPECT_EQ(second.text(Box::HeaderBytes), "500");
    EXPECT_TRUE(logHas(second, "Header bytes = 500 (VICAR label at byte 300 + LBLSIZE 200)")) << logText(second);
}

TEST(ApplyLayoutFromLabel, Pds4LabelOpenedSwitchesToItsDataFile)
{
    TempDir dir;
    const std::string data = dir.write("obs.dat", std::string(64, '\0'));
    const std::string label = dir.write(
        "obs.xml",
        "<?xml version=\"1.0\"?>\n<Product_Observational>\n<File_Area_Observational>\n"
        "<File><file_name>obs.dat</file_name></File>\n<Array_3D_Image><offset unit=\"byte\">16</offset>"
        "<axes>3</axes><axis_index_order>Last Index Fastest</axis_index_order>"
        "<Element_Array><data_type>UnsignedLSB2</data_type></Element_Array>\n"
        "<Axis_Array><axis_name>Line</axis_name><elements>2</elements><sequence_number>1</sequence_number></Axis_Array>"
        "<Axis_Array><axis_name>Sample</axis_name><elements>4</elements><sequence_number>2</sequence_number></Axis_Array>"
        "<Axis_Array><axis_name>Band</axis_name><elements>3</elements><sequence_number>3</sequence_number></Axis_Array>"
        "</Array_3D_Image>\n</File_Area_Observational>\n</Product_Observational>\n");
    FakePort port;
    port.checked[Choice::ReverseBytes] = false;
    port.state.InputFilename = label;
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.state.InputFilename, data);
    EXPECT_EQ(port.text(Box::HeaderBytes), "16");
    EXPECT_EQ(port.text(Box::NumBands), "3");
    EXPECT_TRUE(port.isOn(Choice::BIP));
    EXPECT_TRUE(port.isOn(Choice::UnsignedInteger));
    EXPECT_TRUE(logHas(port, "Reverse byte order = unchecked (data_type UnsignedLSB2: least significant byte first)"))
        << logText(port);

    // Opening the data file finds the same label beside it.
    FakePort beside;
    beside.state.InputFilename = data;
    ApplyLayoutFromLabel(beside);
    EXPECT_EQ(beside.text(Box::HeaderBytes), "16");
    EXPECT_EQ(beside.state.InputFilename, data);
}

class EnviBeside : public ::testing::TestWithParam<const char*> {};

TEST_P(EnviBeside, HeaderBesideTheData)
{
    TempDir dir;
    const std::string data = dir.write("cube.img", std::string(64, '\0'));
    dir.write(GetParam(), "ENVI\nsamples = 4\nlines = 2\nbands = 1\nheader offset = 0\ndata type = 4\n"
                          "interleave = bsq\nbyte order = 1\n");
    FakePort port;
    port.state.InputFilename = data;
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.text(Box::BitsPerSample), "32");
    EXPECT_TRUE(port.isOn(Choice::Real));
    EXPECT_TRUE(port.isOn(Choice::ReverseBytes));
    EXPECT_TRUE(port.isOn(Choice::NoBands));
    EXPECT_EQ(port.state.InputFilename, data);
}

INSTANTIATE_TEST_SUITE_P(Names, EnviBeside, ::testing::Values("cube.hdr", "cube.img.hdr", "CUBE.HDR"));

TEST(ApplyLayoutFromLabel, OpeningAnEnviHeaderSwitchesToTheDataFile)
{
    TempDir dir;
    const std::string data = dir.write("cube.dat", std::string(64, '\0'));
    FakePort port;
    port.state.InputFilename = dir.write("cube.hdr", "ENVI\nsamples = 4\nlines = 2\ndata type = 1\n");
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.state.InputFilename, data);
}

TEST(ApplyLayoutFromLabel, ACheckedReverseByteOrderIsClearedForLeastSignificantFirst)
{
    TempDir dir;
    FakePort port;
    port.checked[Choice::ReverseBytes] = true;
    port.state.InputFilename = dir.write("l.hdr.img", std::string(16, '\0'));
    dir.write("l.hdr.hdr", "ENVI\nsamples = 4\nlines = 2\ndata type = 2\nbyte order = 0\n");
    ApplyLayoutFromLabel(port);
    EXPECT_FALSE(port.isOn(Choice::ReverseBytes));
    const std::string log = logText(port);
    EXPECT_NE(log.find("Reverse byte order = unchecked (data type 2, byte order 0: least significant byte "
                       "first)"),
              std::string::npos)
        << log;
}

TEST(ApplyLayoutFromLabel, BandNumberBeyondTheBandsIsReset)
{
    TempDir dir;
    FakePort port;
    port.texts[Box::BandNum] = "5";
    port.state.InputFilename = dir.write("a.img", withData(attachedPds3, 1024));
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.text(Box::BandNum), "1");
    EXPECT_TRUE(logHas(port, "Band # = 1 (Band # 5 is not one of the 2 bands)")) << logText(port);
}

TEST(ApplyLayoutFromLabel, ValuesBeyondTheBoxesAreNotedNotSet)
{
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write(
        "big.img", withData("PDS_VERSION_ID = PDS3\nRECORD_BYTES = 100000\n^IMAGE = 30000\nOBJECT = IMAGE\n"
                            " LINES = 2\n LINE_SAMPLES = 3\n SAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n",
                            300));
    ApplyLayoutFromLabel(port);
    EXPECT_FALSE(port.has(Box::HeaderBytes));
    EXPECT_NE(logText(port).find("Not set: Header bytes 2999900000"), std::string::npos) << logText(port);
}

// A label without tiles clears tiles typed for an earlier file, and says so
// only then; a tiled cube sets them with the keywords they came from.
struct TileCase {
    std::string label;
    const char* before;
    std::vector<std::string> tileLines;  // the log lines about tiles
    const char* after;
};

class ApplyTiles : public ::testing::TestWithParam<TileCase> {};

TEST_P(ApplyTiles, SetsOrClearsTheTileBoxes)
{
    const TileCase& c = GetParam();
    TempDir dir;
    FakePort port;
    port.texts[Box::BandNum] = "1";
    port.texts[Box::TileSamples] = port.texts[Box::TileLines] = c.before;
    port.state.InputFilename = dir.write("a.img", withData(c.label, 1024));
    ApplyLayoutFromLabel(port);
    std::vector<std::string> seen;
    for (const std::string& line : port.log)
        if (line.rfind("Tile ", 0) == 0) seen.push_back(line);
    EXPECT_EQ(seen, c.tileLines) << logText(port);
    EXPECT_EQ(port.text(Box::TileSamples), c.after);
}

const std::string tiledCube =
    "Object = IsisCube\n Object = Core\n  StartByte = 1025\n  Format = Tile\n  TileSamples = 4\n  TileLines = 2\n"
    "  Group = Dimensions\n   Samples = 5\n   Lines = 3\n   Bands = 1\n  End_Group\n"
    "  Group = Pixels\n   Type = UnsignedByte\n   ByteOrder = Lsb\n  End_Group\n End_Object\nEnd_Object\nEnd\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyTiles,
    ::testing::Values(TileCase{attachedPds3, "0", {}, "0"},
                      TileCase{attachedPds3, "128", {"Tile samples = 0 (no tiles in the label)",
                                                     "Tile lines = 0 (no tiles in the label)"}, "0"},
                      TileCase{tiledCube, "0", {"Tile samples = 4 (Format Tile, TileSamples 4)",
                                                "Tile lines = 2 (Format Tile, TileLines 2)"}, "4"}));

// Of a label's several images the window lets the user choose; the first
// is read unless another is chosen, and Cancel changes nothing.
TEST(ApplyLayoutFromLabel, TheWindowChoosesAmongTheImages)
{
    TempDir dir;
    const std::string label =
        "PDS_VERSION_ID = PDS3\r\nRECORD_BYTES = 512\r\nLABEL_RECORDS = 2\r\n^BROWSE_IMAGE = 3\r\n^IMAGE = 4\r\n"
        "OBJECT = BROWSE_IMAGE\r\n LINES = 2\r\n LINE_SAMPLES = 3\r\n SAMPLE_BITS = 8\r\n"
        " SAMPLE_TYPE = UNSIGNED_INTEGER\r\nEND_OBJECT = BROWSE_IMAGE\r\n"
        "OBJECT = IMAGE\r\n LINES = 4\r\n LINE_SAMPLES = 8\r\n SAMPLE_BITS = 8\r\n"
        " SAMPLE_TYPE = UNSIGNED_INTEGER\r\nEND_OBJECT = IMAGE\r\nEND\r\n";
    const std::string path = dir.write("p.img", withData(label, 1024, 600));
    const std::string question = "choice: The PDS3 label of " + path +
                                 " describes 2 images. Which one should be read? [IMAGE, 8 samples × 4 lines "
                                 "(object 2)] [BROWSE_IMAGE, 3 samples × 2 lines (object 1)]";
    for (const auto& [answer, samples] : {std::pair{std::optional<size_t>(0), "8"}, std::pair{std::optional<size_t>(1), "3"}}) {
        FakePort port;
        port.texts[Box::BandNum] = "1";
        port.imageAnswer = answer;
        port.state.InputFilename = path;
        ApplyLayoutFromLabel(port);
        EXPECT_EQ(port.log.at(0), question);
        EXPECT_EQ(port.text(Box::NumSamples), samples);
        EXPECT_TRUE(logHas(port, *answer == 0 ? "Other image, not read: BROWSE_IMAGE, 3 samples × 2 lines (object 1)"
                                              : "Other image, not read: IMAGE, 8 samples × 4 lines (object 2)"))
            << logText(port);
    }
    FakePort cancelled;
    cancelled.imageAnswer = std::nullopt;
    cancelled.state.InputFilename = path;
    ApplyLayoutFromLabel(cancelled);
    EXPECT_EQ(cancelled.changes, 0);
    EXPECT_EQ(cancelled.log.at(2), "No image chosen; nothing changed");
    // A choice made beforehand (the batch tool's --object) asks nothing.
    FakePort chosen;
    chosen.texts[Box::BandNum] = "1";
    chosen.state.InputFilename = path;
    chosen.state.LabelImage.Object = "browse_image";
    ApplyLayoutFromLabel(chosen);
    EXPECT_EQ(chosen.text(Box::NumSamples), "3");
    EXPECT_TRUE(std::none_of(chosen.log.begin(), chosen.log.end(),
                             [](const std::string& line) { return line.rfind("choice: ", 0) == 0; }));
}

}  // namespace
}  // namespace skeldra
