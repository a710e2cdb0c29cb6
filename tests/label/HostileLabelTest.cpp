// Labels written to break the readers: nesting deep enough to exhaust the
// stack, sizes whose products pass 64 bits, negative sizes. Each must end in
// a note that says why, with the box it concerns left alone.
#include <gtest/gtest.h>

#include <string>

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
