// SPDX-License-Identifier: BSD-3-Clause
// Labels written to break the readers: nesting deep enough to exhaust the
// stack, sizes whose products pass 64 bits, negative sizes. Each must end in
// a note that says why, with the box it concerns left alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "label/ApplyLabel.h"
#include "label/FakePort.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

using testing::FakePort;
using testing::TempDir;

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

std::string pds3(const std::string& keywords, const std::string& object)
{
    return "PDS_VERSION_ID = PDS3\nRECORD_BYTES = 4\n" + keywords + object + "END\n" + std::string(64, '\0');
}

const std::string plainImage =
    "OBJECT = IMAGE\nLINES = 2\nLINE_SAMPLES = 2\nSAMPLE_BITS = 16\nSAMPLE_TYPE = MSB_INTEGER\nEND_OBJECT = IMAGE\n";

std::string qube(const std::string& itemBytes, const std::string& suffixItems)
{
    return pds3("^QUBE = 2\n", "OBJECT = QUBE\nAXES = 3\nAXIS_NAME = (SAMPLE,LINE,BAND)\nCORE_ITEMS = (2,2,2)\n"
                               "CORE_ITEM_BYTES = " + itemBytes + "\nCORE_ITEM_TYPE = MSB_INTEGER\n"
                               "SUFFIX_ITEMS = " + suffixItems + "\nEND_OBJECT = QUBE\n");
}

struct HostileCase {
    const char* name;
    std::string file;     // the input file
    std::string content;
    std::string besides;  // a file beside the input (a detached label), or empty
    std::string besideContent;
    std::string note;     // part of the logged note
    Box untouched;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

class HostileLabel : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileLabel, IsNotedAndLeavesItsBox)
{
    const HostileCase& c = GetParam();
    TempDir dir;
    FakePort port;
    port.state.InputFilename = dir.write(c.file, c.content);
    if (!c.besides.empty()) dir.write(c.besides, c.besideContent);
    ApplyLayoutFromLabel(port);
    std::string log;
    for (const std::string& line : port.log) log += line + "\n";
    EXPECT_NE(log.find(c.note), std::string::npos) << log;
    EXPECT_FALSE(port.has(c.untouched)) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Labels, HostileLabel,
    ::testing::Values(
        HostileCase{"NestedSequences", "a.img", pds3("A = " + repeated("(", 20000) + "\n", plainImage), "", "",
                    "(line 3: label too deeply nested)", Box::HeaderBytes},
        HostileCase{"NestedSets", "a.img", pds3("A = " + repeated("{", 20000) + "\n", plainImage), "", "",
                    "label too deeply nested", Box::NumSamples},
        HostileCase{"NestedObjects", "a.img", pds3("", repeated("OBJECT = X\n", 30000)), "", "",
                    "label too deeply nested", Box::HeaderBytes},
        HostileCase{"NestedObjectsOfADetachedLabel", "d.img", std::string(64, '\0'), "d.lbl",
                    pds3("", repeated("OBJECT = X\n", 30000)), "label too deeply nested", Box::HeaderBytes},
        HostileCase{"NestedElements", "p.xml", "<Product>" + repeated("<a>", 30000), "", "",
                    "label too deeply nested", Box::HeaderBytes},
        HostileCase{"LabelRecordsTimesRecordBytesBeyond64Bits", "a.img",
                    pds3("LABEL_RECORDS = 4611686018427387905\n", plainImage), "", "",
                    "LABEL_RECORDS 4611686018427387905 × RECORD_BYTES 4 exceeds 64 bits", Box::HeaderBytes},
        HostileCase{"NegativeLabelRecords", "a.img",
                    "PDS_VERSION_ID = PDS3\nRECORD_BYTES = -4\nLABEL_RECORDS = -2\n" + plainImage + "END\n", "", "",
                    "LABEL_RECORDS -2 is negative", Box::HeaderBytes},
        HostileCase{"PointerBeyond64Bits", "a.img", pds3("^IMAGE = 4611686018427387906\n", plainImage), "", "",
                    "(^IMAGE - 1) 4611686018427387905 × RECORD_BYTES 4 exceeds 64 bits", Box::HeaderBytes},
        HostileCase{"PointerToRecordZero", "a.img", pds3("^IMAGE = 0\n", plainImage), "", "",
                    "records and bytes count from 1", Box::HeaderBytes},
        HostileCase{"VicarBinaryLinesBeyond64Bits", "v.img",
                    "LBLSIZE=100 FORMAT=HALF NL=2 NS=2 NLB=4611686018427387905 RECSIZE=4" + std::string(100, ' '),
                    "", "", "NLB 4611686018427387905 × RECSIZE 4 exceeds 64 bits", Box::HeaderBytes},
        HostileCase{"VicarNegativeBinaryLines", "v.img",
                    "LBLSIZE=100 FORMAT=HALF NL=2 NS=2 NLB=-2 RECSIZE=-4" + std::string(100, ' '), "", "",
                    "NLB -2 is negative", Box::HeaderBytes},
        HostileCase{"QubeItemBytesBeyond64Bits", "q.img", qube("2305843009213693952", "(0,0,0)"), "", "",
                    "CORE_ITEM_BYTES 2305843009213693952 × bits per byte 8 exceeds 64 bits", Box::BitsPerSample},
        HostileCase{"QubeNegativeSuffixItems", "q.img", qube("2", "(-1,0,0)"), "", "",
                    "SUFFIX_ITEMS (-1, 0, 0) holds a negative count", Box::NumRowPadBytes},
        HostileCase{"Pds4LongerThanTheReadLimit", "p.xml", "<Product>" + std::string(std::size_t{1} << 20, ' ') +
                    "</Product>", "", "", "it is longer than the 1048576 bytes read of a label", Box::HeaderBytes},
        HostileCase{"Pds3MissingConstantBeyondTheExtendedRange", "a.img",
                    pds3("LABEL_RECORDS = 1\n", "OBJECT = IMAGE\nSAMPLE_BITS = 32\nSAMPLE_TYPE = IEEE_REAL\n"
                                                "MISSING_CONSTANT = 1E99999\nEND_OBJECT = IMAGE\n"),
                    "", "", "Non-data value 1E99999 (MISSING_CONSTANT 1E99999) is not a number the box holds",
                    Box::NonDataValue},
        HostileCase{"EnviIgnoreValueBeyondTheExtendedRange", "e.img", std::string(4, '\0'), "e.hdr",
                    "ENVI\nsamples = 2\nlines = 2\ndata type = 4\ndata ignore value = -4E4933\n",
                    "data ignore value = -4E4933 is not a number", Box::NonDataValue},
        HostileCase{"Isis3StartByteBelowOne", "c.cub",
                    "Object = IsisCube\n Object = Core\n  StartByte = -9223372036854775808\n  Format = BandSequential\n"
                    " End_Object\nEnd_Object\nEnd\n",
                    "", "", "StartByte -9223372036854775808 is not a position", Box::HeaderBytes},
        HostileCase{"QubeSuffixPlanesBeyond64Bits", "q.img", qube("2", "(0,4611686018427387904,0)"), "", "",
                    "exceeds 64 bits; the qube's layout left unchanged", Box::NumBandGapBytes}),
    [](const auto& info) { return std::string(info.param.name); });

// A sample of one byte has no byte order, whatever the type's name says.
struct OneByteCase {
    const char* name;
    std::string file;
    std::string content;
    std::string besides;
    std::string besideContent;
};

class OneByteSample : public ::testing::TestWithParam<OneByteCase> {};

TEST_P(OneByteSample, LeavesReverseByteOrderClear)
{
    const OneByteCase& c = GetParam();
    TempDir dir;
    FakePort port;
    port.checked[Choice::ReverseBytes] = true;
    port.state.InputFilename = dir.write(c.file, c.content);
    if (!c.besides.empty()) dir.write(c.besides, c.besideContent);
    ApplyLayoutFromLabel(port);
    EXPECT_EQ(port.text(Box::BitsPerSample), "8");
    EXPECT_FALSE(port.isOn(Choice::ReverseBytes));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, OneByteSample,
    ::testing::Values(
        OneByteCase{"Pds3MsbUnsigned", "a.img",
                    pds3("LABEL_RECORDS = 1\n", "OBJECT = IMAGE\nLINES = 2\nLINE_SAMPLES = 2\nSAMPLE_BITS = 8\n"
                                                "SAMPLE_TYPE = MSB_UNSIGNED_INTEGER\nEND_OBJECT = IMAGE\n"),
                    "", ""},
        OneByteCase{"VicarByteHigh", "v.img", "LBLSIZE=64 FORMAT=BYTE NL=2 NS=2 INTFMT=HIGH" + std::string(80, ' '),
                    "", ""},
        OneByteCase{"EnviByteOrderOne", "e.img", std::string(4, '\0'), "e.hdr",
                    "ENVI\nsamples = 2\nlines = 2\ndata type = 1\nbyte order = 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// A label may name its data file anywhere; only files within the label's
// folder are read without asking.
struct PointerCase {
    const char* name;
    std::string labelName;  // within the folder "labels"
    std::string pointer;    // as the label writes it; "@" stands for the test's folder
    std::string dataPath;   // the file it reaches, relative to the test's folder
    bool outside;
};

void PrintTo(const PointerCase& c, std::ostream* out) { *out << c.name; }

std::string labelNaming(const std::string& labelName, const std::string& pointer)
{
    if (labelName.ends_with(".xml"))
        return "<Product_Observational><File_Area_Observational><File><file_name>" + pointer +
               "</file_name></File><Array_2D_Image><offset>0</offset><axis_index_order>Last Index Fastest"
               "</axis_index_order><Element_Array><data_type>UnsignedByte</data_type></Element_Array>"
               "</Array_2D_Image></File_Area_Observational></Product_Observational>\n";
    return "PDS_VERSION_ID = PDS3\nRECORD_BYTES = 4\n^IMAGE = (\"" + pointer + "\", 1)\nOBJECT = IMAGE\nLINES = 1\n"
           "LINE_SAMPLES = 4\nSAMPLE_BITS = 8\nSAMPLE_TYPE = UNSIGNED_INTEGER\nEND_OBJECT = IMAGE\nEND\n";
}

class DataPointer : public ::testing::TestWithParam<std::tuple<PointerCase, bool>> {};

TEST_P(DataPointer, OutsideTheLabelsFolderIsFollowedOnlyWhenTheUserAgrees)
{
    namespace fs = std::filesystem;
    const auto& [c, answer] = GetParam();
    TempDir dir;
    fs::create_directories(dir.path() / "labels" / "sub");
    fs::create_directories(dir.path() / "secret");
    fs::create_directory_symlink("../secret", dir.path() / "labels" / "link");
    std::string pointer = c.pointer;
    if (pointer.starts_with("@")) pointer = dir.path().string() + pointer.substr(1);
    const std::string data = dir.write(c.dataPath, std::string(4, 'x'));
    FakePort port;
    port.yesNoAnswer = answer;
    port.state.InputFilename = dir.write("labels/" + c.labelName, labelNaming(c.labelName, pointer));
    const std::string labelPath = port.state.InputFilename;

    ApplyLayoutFromLabel(port);
    std::string log;
    for (const std::string& line : port.log) log += line + "\n";
    const bool asked = log.find("question: The label " + labelPath + " points to a data file outside its folder: ") !=
                       std::string::npos;
    EXPECT_EQ(asked, c.outside) << log;
    const bool followed = !c.outside || answer;
    EXPECT_EQ(fs::equivalent(port.state.InputFilename, followed ? data : labelPath), true) << log;
    EXPECT_EQ(port.has(Box::HeaderBytes), followed) << log;
    if (!followed) EXPECT_NE(log.find("Not followed: the data file "), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Pointers, DataPointer,
    ::testing::Combine(
        ::testing::Values(PointerCase{"Beside", "x.lbl", "d.img", "labels/d.img", false},
                          PointerCase{"InASubfolder", "x.lbl", "sub/d.img", "labels/sub/d.img", false},
                          PointerCase{"DownAndBack", "x.lbl", "sub/../d.img", "labels/d.img", false},
                          PointerCase{"ClimbingOut", "x.lbl", "../secret/p.img", "secret/p.img", true},
                          PointerCase{"Absolute", "x.lbl", "@/secret/p.img", "secret/p.img", true},
                          PointerCase{"ThroughALinkThatLeadsOut", "x.lbl", "link/p.img", "secret/p.img", true},
                          PointerCase{"Pds4Beside", "p.xml", "d.img", "labels/d.img", false},
                          PointerCase{"Pds4ClimbingOut", "p.xml", "../secret/p.img", "secret/p.img", true}),
        ::testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Yes" : "_No");
    });

}  // namespace
}  // namespace skeldra
