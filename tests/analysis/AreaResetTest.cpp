// SPDX-License-Identifier: BSD-3-Clause
// "Reset": the area becomes the whole image; the size on disk is checked
// against the layout, also for files of more than 2 GiB.
#include <gtest/gtest.h>

#include "analysis/AreaReset.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;
using Lines = std::vector<std::string>;

std::string excessLine(int64_t size, int64_t expected)
{
    return "Reset error:  Size on disk = " + std::to_string(size) + "   Expected (for current parameters) = " +
           std::to_string(expected) + "   Excess = " + std::to_string(size - expected) + " bytes";
}

struct ResetCase {
    const char* name;
    int64_t fileSize;
    std::vector<std::pair<Box, std::string>> boxes;
    std::vector<Choice> choices;
    std::string endSample;
    std::string endLine;
    Lines log;
    Lines messages = {};
};

void PrintTo(const ResetCase& c, std::ostream* out) { *out << c.name; }

class AreaReset : public ::testing::TestWithParam<ResetCase> {};

TEST_P(AreaReset, SetsTheAreaAndChecksTheSize)
{
    const ResetCase& c = GetParam();
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.writeSparse("Test.IMG", c.fileSize, 0, {1});
    for (const auto& [box, text] : c.boxes) window.setBoxText(box, text);
    for (Choice choice : c.choices) window.setChecked(choice, true);
    window.events.clear();
    main.ResetArea_ButtonClick();

    const Lines boxes = {"OriginSample_LabeledNumericEdit=1", "StartSample_LabeledNumericEdit=1",
                         "StartLine_LabeledNumericEdit=1", "EndSample_LabeledNumericEdit=" + c.endSample,
                         "EndLine_LabeledNumericEdit=" + c.endLine};
    EXPECT_EQ(window.eventTexts(Event::Kind::BoxText), boxes);
    EXPECT_EQ(window.eventTexts(Event::Kind::Log), c.log);
    EXPECT_EQ(window.beeps(), c.log.empty() ? 0 : 1);
    EXPECT_EQ(window.messages(), c.messages);
    EXPECT_TRUE(window.errors().empty());
}

constexpr int64_t image = 10240 + 1024 * 100;
constexpr int64_t threeGiB = int64_t{3} << 30;

INSTANTIATE_TEST_SUITE_P(
    Cases, AreaReset,
    ::testing::Values(
        ResetCase{"single_image_fits", image, {}, {}, "1024", "100", {}},
        ResetCase{"ten_bytes_too_many", image + 10, {}, {}, "1024", "100", {excessLine(image + 10, image)}},
        ResetCase{"bsq_takes_the_lines_box", 5000,
                  {{Box::NumSamples, "10"}, {Box::NumBands, "2"}, {Box::NumSingleImageLines, "7"},
                   {Box::NumBandGapBytes, "3"}, {Box::HeaderBytes, "100"}},
                  {Choice::BSQ}, "10", "7", {excessLine(5000, 2 * (7 * 10 + 3) + 100)}},
        ResetCase{"bil_line_count_from_the_size", 100 + 23 * 9 + 5,
                  {{Box::NumSamples, "4"}, {Box::NumBands, "2"}, {Box::NumBandPadBytes, "1"},
                   {Box::NumRowPadBytes, "13"}, {Box::HeaderBytes, "100"}},
                  {Choice::BIL}, "4", "9", {excessLine(100 + 23 * 9 + 5, 100 + 23 * 9)}},
        // The layout takes the substitute 0 samples; the box text is copied as it is.
        ResetCase{"samples_text_copied_unchanged", 10240 + 12 * 3, {{Box::NumSamples, "12x"}}, {}, "12x", "0",
                  {excessLine(10240 + 36, 10240)},
                  {"\"12x\" is not a valid integer; error at position 3", "Substituting \"0\" for \"12x\" (invalid entry)",
                   "Illegal bytes per image line"}},
        ResetCase{"no_bytes_per_line", 500, {{Box::NumSamples, "0"}, {Box::HeaderBytes, "100"}}, {}, "0", "0",
                  {excessLine(500, 100)}, {"Illegal bytes per image line"}},
        ResetCase{"file_shorter_than_its_header", 100, {}, {}, "1024", "-9", {excessLine(100, 10240 - 9 * 1024)}},
        ResetCase{"three_gib_fits", threeGiB, {{Box::HeaderBytes, "0"}}, {}, "1024", "3145728", {}},
        ResetCase{"three_gib_and_a_bit", threeGiB + 10240 + 7, {}, {}, "1024", "3145728",
                  {excessLine(threeGiB + 10240 + 7, threeGiB + 10240)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AreaResetFailures, MissingFileChangesNoBox)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.file("absent.img");
    window.events.clear();
    main.ResetArea_ButtonClick();
    EXPECT_EQ(window.eventTexts(Event::Kind::Log), Lines{"Reset error: file \"" + dir.file("absent.img") + "\" not found"});
    EXPECT_EQ(window.beeps(), 1);
    EXPECT_TRUE(window.eventTexts(Event::Kind::BoxText).empty());
}

TEST(AreaResetFailures, LineCountBeyondTheBoxesIsAnOverflowAfterTheEarlierBoxes)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.writeSparse("Test.IMG", int64_t{3} << 30, 0, {1});
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, "1");
    window.events.clear();
    main.ResetArea_ButtonClick();
    EXPECT_EQ(window.eventTexts(Event::Kind::BoxText),
              (Lines{"OriginSample_LabeledNumericEdit=1", "StartSample_LabeledNumericEdit=1",
                     "StartLine_LabeledNumericEdit=1", "EndSample_LabeledNumericEdit=1"}));
    EXPECT_EQ(window.errors(), Lines{"Integer overflow."});
    EXPECT_TRUE(window.eventTexts(Event::Kind::Log).empty());
}

TEST(AreaResetFailures, UnsupportedBitsChangeNothing)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.write("Test.IMG", std::string(100, 'x'));
    window.setBoxText(Box::BitsPerSample, "12");
    window.events.clear();
    main.ResetArea_ButtonClick();
    EXPECT_TRUE(window.eventTexts(Event::Kind::BoxText).empty());
    EXPECT_TRUE(window.eventTexts(Event::Kind::Log).empty());
    EXPECT_EQ(window.messages(), Lines{"Unsupported data type: 12 bits per sample"});
    EXPECT_EQ(window.beeps(), 0);
}

TEST(AreaResetFailures, SizeOfADirectoryEntryThatIsNoFile)
{
    TempDir dir;
    EXPECT_EQ(sizeOnDisk(dir.path().string()), 0);
    EXPECT_FALSE(sizeOnDisk(dir.file("absent")).has_value());
    EXPECT_FALSE(sizeOnDisk("").has_value());
    EXPECT_EQ(sizeOnDisk(dir.write("five", std::string("12345"))), 5);
}

}  // namespace
}  // namespace skeldra
