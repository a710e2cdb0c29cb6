// SPDX-License-Identifier: BSD-3-Clause
// One sample of the current band, logged as one line.
#include <gtest/gtest.h>

#include "analysis/PointRetrieval.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;

struct PointCase {
    const char* name;
    std::vector<std::pair<Box, std::string>> boxes;
    std::vector<Choice> choices;
    std::vector<std::string> log;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

class PointRetrieval : public ::testing::TestWithParam<PointCase> {
protected:
    // Header of 10240 bytes of 'H', then line 1: byte 42, then samples 1..1023 of
    // value (s % 251); the first bytes after the header also serve as BIL
    // band 2 of 8-bit lines of 4 samples, and as reals.
    static std::vector<uint8_t> imageBytes()
    {
        std::vector<uint8_t> bytes(10240, 'H');
        for (int s = 0; s < 1024; ++s) bytes.push_back(static_cast<uint8_t>(s % 251));
        bytes[10240] = 42;
        return bytes;
    }
};

TEST_P(PointRetrieval, LogsOneLineOrReportsTheError)
{
    const PointCase& c = GetParam();
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.write("Test.IMG", imageBytes());
    for (const auto& [box, text] : c.boxes) window.setBoxText(box, text);
    for (Choice choice : c.choices) window.check(choice);
    window.events.clear();
    main.RetrievePoint_ButtonClick();
    EXPECT_EQ(window.eventTexts(Event::Kind::Log), c.log);
    EXPECT_EQ(window.eventTexts(Event::Kind::Message), c.messages);
    EXPECT_EQ(window.eventTexts(Event::Kind::Error), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointRetrieval,
    ::testing::Values(
        PointCase{"defaults", {}, {}, {"Line: 1  Sample: 1   Data: 42"}, {}, {}},
        PointCase{"bil band 2",
                  {{Box::NumSamples, "4"}, {Box::NumBands, "2"}, {Box::BandNum, "2"}},
                  {Choice::BIL},
                  {"Band: 2  Line: 1  Sample: 1   Data: 4"},
                  {},
                  {}},
        PointCase{"band corrected",
                  {{Box::NumSamples, "4"}, {Box::NumBands, "3"}, {Box::BandNum, "5"},
                   {Box::NumSingleImageLines, "1"}},
                  {Choice::BSQ},
                  {"Band: 3  Line: 1  Sample: 1   Data: 8"},
                  {"Correcting illegal Band #"},
                  {}},
        PointCase{"unsigned 32", {{Box::BitsPerSample, "32"}, {Box::HeaderBytes, "0"}}, {},
                  {"Line: 1  Sample: 1   Data: 1212696648"}, {}, {}},
        PointCase{"past the end", {{Box::Sample, "1025"}}, {}, {}, {}, {"Read beyond end of file."}},
        PointCase{"unsupported bits", {{Box::BitsPerSample, "12"}}, {}, {},
                  {"Unsupported data type: 12 bits per sample"}, {}},
        PointCase{"invalid line box", {{Box::Line, "1x"}, {Box::Sample, "2"}}, {},
                  // Line 0 lies one line before the first: in the header here.
                  {"Line: 0  Sample: 2   Data: 72"},
                  {"\"1x\" is not a valid integer; error at position 2",
                   "Substituting \"0\" for \"1x\" (invalid entry)"},
                  {}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(PointRetrievalReals, PrintTheDigitsOfTheSampleWidth)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::BitsPerSample, "32");
    window.check(Choice::Real);
    window.state.InputFilename = dir.write("f.raw", std::vector<uint8_t>{0, 0, 0xC0, 0x3F});
    main.RetrievePoint_ButtonClick();
    window.state.InputFilename = dir.write("d.raw", std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xF8, 0x3F});
    window.setBoxText(Box::BitsPerSample, "64");
    main.RetrievePoint_ButtonClick();
    window.check(Choice::SignedInteger);
    window.setBoxText(Box::BitsPerSample, "32");
    window.state.InputFilename = dir.write("i.raw", std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF});
    main.RetrievePoint_ButtonClick();
    EXPECT_EQ(window.log(), (std::vector<std::string>{"Line: 1  Sample: 1   Data: 1.5000000E+00",
                                                       "Line: 1  Sample: 1   Data: 1.500000000000000E+00",
                                                       "Line: 1  Sample: 1   Data: -1"}));
}

TEST(PointRetrievalErrors, MissingFileShowsTheErrorBoxAndLogsNothing)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    window.state.InputFilename = dir.file("nope.IMG");
    main.RetrievePoint_ButtonClick();
    EXPECT_TRUE(window.log().empty());
    EXPECT_EQ(window.errors(), std::vector<std::string>{"File not found."});
    EXPECT_FALSE(window.state.OperationRunning);
}

}  // namespace
}  // namespace skeldra
