// SPDX-License-Identifier: BSD-3-Clause
// What the conversion leaves on disk when it is refused, fails or is
// aborted: nothing new before its inputs are valid, an earlier file intact
// after an error, and after an abort a valid file of the completed rows.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "OutputHarness.h"
#include "output/GrayMapping.h"

namespace skeldra {
namespace {

using namespace testing;

// Every name in the folder, to see that no temporary file is left.
std::vector<std::string> folderNames(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

uint32_t dwordAt(const Bytes& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

struct RefusalCase {
    const char* name;
    BoxTexts boxes;
    std::vector<Choice> choices;
    std::string error;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class RefusedBeforeAnyFile : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedBeforeAnyFile, LeavesTheTargetAndTheLogAlone)
{
    const RefusalCase& c = GetParam();
    OutputHarness h(Bytes(16, 7), 4, 4, c.boxes, c.choices);
    h.dir.write("out.bmp", std::string("earlier"));
    EXPECT_EQ(h.convert(), Lines{});
    EXPECT_EQ(h.window.errors(), Lines{c.error});
    EXPECT_EQ(h.outputText(), "earlier");
    EXPECT_EQ(folderNames(h.dir), (std::vector<std::string>{"Test.IMG", "out.bmp"}));
    EXPECT_FALSE(h.window.progressVisible());
    EXPECT_FALSE(h.window.abortVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedBeforeAnyFile,
    ::testing::Values(
        RefusalCase{"end_sample_before_start", {{Box::StartSample, "3"}, {Box::EndSample, "2"}}, {},
                    "The end sample lies before the start sample."},
        RefusalCase{"end_sample_before_start_text", {{Box::StartSample, "3"}, {Box::EndSample, "1"}},
                    {Choice::TextOutput}, "The end sample lies before the start sample."},
        RefusalCase{"negative_height", {{Box::StartLine, "3"}, {Box::EndLine, "1"}}, {},
                    "TProgressBar property out of range."},
        RefusalCase{"negative_height_text", {{Box::StartLine, "3"}, {Box::EndLine, "1"}}, {Choice::TextOutput},
                    "TProgressBar property out of range."},
        RefusalCase{"bmp_larger_than_its_size_field", {{Box::EndSample, "40000"}, {Box::EndLine, "60000"}}, {},
                    "Integer overflow."},
        RefusalCase{"negative_gamma", {{Box::Gamma, "-1"}}, {}, "Gamma must not be negative."},
        RefusalCase{"auto_note_not_logged_when_refused", {{Box::Gamma, "-1"}}, {Choice::AutoStretchPreview},
                    "Gamma must not be negative."}));

TEST(InputAsOutput, IsRefusedAndTheInputKeepsItsBytes)
{
    for (bool text : {false, true}) {
        OutputHarness h(Bytes{1, 2, 3, 4}, 2, 2, {}, text ? std::vector{Choice::TextOutput} : std::vector<Choice>{});
        h.window.saveDialogAnswer = h.input;
        EXPECT_EQ(h.convert(), Lines{});
        EXPECT_EQ(h.window.errors(), Lines{"The output file must not be the input file."});
        EXPECT_EQ(readFile(h.input), (Bytes{1, 2, 3, 4}));

        // Another name of the same file is the same file.
        const std::string link = h.dir.file("link.img");
        std::filesystem::create_hard_link(h.input, link);
        h.window.saveDialogAnswer = link;
        h.convert();
        EXPECT_EQ(h.window.errors().size(), 2u);
        EXPECT_EQ(readFile(h.input), (Bytes{1, 2, 3, 4}));
    }
}

TEST(FailedConversion, KeepsTheEarlierFileAndCleansUp)
{
    // The area reaches beyond the end of the file: the last line cannot be read.
    for (bool text : {false, true}) {
        OutputHarness h(Bytes(8, 5), 4, 3, {}, text ? std::vector{Choice::TextOutput} : std::vector<Choice>{});
        h.dir.write("out.bmp", std::string("earlier"));
        h.convert();
        EXPECT_EQ(h.window.errors(), Lines{"Read beyond end of file."});
        EXPECT_EQ(h.window.eventTexts(Event::Kind::Log), text ? Lines{} : Lines{""});
        EXPECT_EQ(h.outputText(), "earlier");
        EXPECT_EQ(folderNames(h.dir), (std::vector<std::string>{"Test.IMG", "out.bmp"}));
        EXPECT_FALSE(h.window.progressVisible());
        EXPECT_FALSE(h.window.abortVisible());
    }
}

TEST(FailedConversion, MissingInputCreatesNothing)
{
    OutputHarness h(Bytes(4, 5), 2, 2);
    h.window.state.InputFilename = h.dir.file("missing.img");
    h.convert();
    EXPECT_EQ(h.window.errors(), Lines{"File not found."});
    EXPECT_EQ(folderNames(h.dir), (std::vector<std::string>{"Test.IMG"}));
}

TEST(FailedConversion, UnwritableTargets)
{
    OutputHarness h(Bytes(4, 5), 2, 2);
    h.window.saveDialogAnswer = h.dir.file("no-such-folder/out.bmp");
    h.convert();
    h.window.saveDialogAnswer = h.dir.path().string();
    h.convert();
    EXPECT_EQ(h.window.errors(), (Lines{"Invalid filename.", "File access denied."}));
    if (::geteuid() != 0) {
        // A read-only file is not replaced behind the user's back.
        const std::string locked = h.dir.write("locked.bmp", std::string("keep"));
        ::chmod(locked.c_str(), 0444);
        h.window.saveDialogAnswer = locked;
        h.convert();
        EXPECT_EQ(h.window.errors().back(), "File access denied.");
        EXPECT_EQ(readFile(locked), (Bytes{'k', 'e', 'e', 'p'}));
    }
}

TEST(AbortedBmp, IsAValidPictureOfTheCompletedBottomRows)
{
    // 3 lines of 5 samples; Abort pressed after the second sample of the second row written.
    OutputHarness h(byteImage(3, 5, [](int l, int s) { return 10 * l + s; }), 5, 3);
    h.window.atPump(7, [&] { h.main.Abort_ButtonClick(); });
    const Lines log = h.convert();
    EXPECT_EQ(log, (Lines{"", "Processing aborted...", "Conversion aborted; 1 of 3 rows written to: " + h.output}));
    const Bytes file = h.outputBytes();
    ASSERT_EQ(file.size(), 1078u + 8);
    EXPECT_EQ(dwordAt(file, 2), 1086u);
    EXPECT_EQ(dwordAt(file, 18), 5u);
    EXPECT_EQ(dwordAt(file, 22), 1u);
    EXPECT_EQ(dwordAt(file, 34), 8u);
    EXPECT_EQ(Bytes(file.begin() + 1078, file.end()), (Bytes{31, 32, 33, 34, 35, 0, 0, 0}));
    EXPECT_EQ(h.window.pumps(), 7);
    EXPECT_FALSE(h.window.progressVisible());
}

TEST(AbortedText, HoldsTheCompletedRowsOnly)
{
    OutputHarness h(byteImage(3, 3, [](int l, int s) { return 10 * l + s; }), 3, 3, {}, {Choice::TextOutput});
    h.window.atPump(4, [&] { h.main.Abort_ButtonClick(); });
    EXPECT_EQ(h.convert(),
              (Lines{"Processing aborted...", "Conversion aborted; 1 of 3 rows written to: " + h.output}));
    EXPECT_EQ(h.outputText(), "11\t12\t13\r\n");
    EXPECT_EQ(h.window.pumps(), 4);
}

TEST(Abort, AfterTheLastSampleTheFileIsComplete)
{
    OutputHarness h(Bytes{1, 2, 3, 4}, 2, 2, {}, {Choice::TextOutput});
    h.window.atPump(4, [&] { h.main.Abort_ButtonClick(); });
    EXPECT_EQ(h.convert(), (Lines{"Processing aborted...", "Image converted to: " + h.output}));
    EXPECT_EQ(h.outputText(), "1\t2\r\n3\t4\r\n");
}

TEST(Abort, BeforeTheFirstRowEndsWithNoRow)
{
    OutputHarness h(Bytes{1, 2, 3, 4}, 2, 2);
    h.window.atPump(1, [&] { h.main.Abort_ButtonClick(); });
    h.convert();
    const Bytes file = h.outputBytes();
    ASSERT_EQ(file.size(), 1078u);
    EXPECT_EQ(dwordAt(file, 22), 0u);
    EXPECT_EQ(h.window.eventTexts(Event::Kind::Log).back(), "Conversion aborted; 0 of 2 rows written to: " + h.output);
}

TEST(Conversion, RunSizesDoNotChangeTheFile)
{
    // The same 16-bit conversion pumped after every sample and in long runs
    // gives the same bytes as a sample-by-sample evaluation of the formula.
    const int width = 700, height = 9;
    Bytes bytes;
    uint32_t seed = 12345;
    for (int i = 0; i < width * height * 2; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<uint8_t>(seed >> 16));
    }
    const BoxTexts boxes = {{Box::BitsPerSample, "16"}, {Box::MinData, "-9000"}, {Box::MaxData, "20000"},
                            {Box::Gamma, "0.7"}, {Box::OriginSample, "300"}, {Box::NonDataValue, "-1"}};
    const std::vector<Choice> choices = {Choice::SignedInteger, Choice::ReverseBytes, Choice::IgnoreNonDataValue};
    OutputHarness fine(bytes, width, height, boxes, choices);
    fine.convert();
    OutputHarness coarse(bytes, width, height, boxes, choices);
    coarse.window.pumpEverySample = false;
    coarse.convert();
    ASSERT_EQ(fine.outputBytes(), coarse.outputBytes());

    const GrayMapping mapping = MakeGrayMapping(-9000, 20000, 0.7L);
    const std::vector<Bytes> rows = fine.bmpRowsFromTop(width, height);
    for (int line = 0; line < height; ++line) {
        for (int c = 0; c < width; ++c) {
            const int s = (299 + c) % width;
            const size_t at = 2 * static_cast<size_t>(line * width + s);
            const auto v = static_cast<int16_t>(bytes[at] << 8 | bytes[at + 1]);
            ASSERT_EQ(rows[static_cast<size_t>(line)][static_cast<size_t>(c)], GrayLevel(mapping, v, v == -1))
                << "line " << line + 1 << " column " << c;
        }
    }
}


TEST(FailedConversion, ErrorComesAtTheSampleThatRaisesIt)
{
    // A negative header puts lines 1 and 2 before the start of the file; going
    // up from line 3, the conversion fails at the first sample of line 2.
    OutputHarness h(Bytes(10, 1), 10, 3, {{Box::HeaderBytes, "-20"}});
    h.window.pumpEverySample = true;
    h.convert();
    EXPECT_EQ(h.window.errors(), Lines{"I/O error 131."});
    EXPECT_EQ(h.window.eventTexts(Event::Kind::ProgressPosition), (Lines{"0", "0", "1"}));
    EXPECT_EQ(h.window.pumps(), 10);
}

}  // namespace
}  // namespace skeldra
