// SPDX-License-Identifier: BSD-3-Clause
// Start-up, the input file, the dialogs' name presets, Abort and the guard
// that keeps a second operation out while one runs.
#include <gtest/gtest.h>

#include <functional>

#include "support/ScriptedWindow.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;

TEST(FormCreate, LeavesAnEmptyLogAndHidesTheBandBoxes)
{
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    EXPECT_TRUE(window.log().empty());
    EXPECT_EQ(window.filenameLabel(), "Test.IMG");
    EXPECT_FALSE(window.progressVisible());
    EXPECT_FALSE(window.abortVisible());
    EXPECT_EQ(window.bandGroupHeight(), 40);
    for (Box box : {Box::NumBands, Box::BandNum, Box::NumSingleImageLines, Box::NumBandPadBytes,
                    Box::NumRowPadBytes, Box::NumBandGapBytes})
        EXPECT_FALSE(window.isBoxVisible(box));
    // The file name was logged, then the log was cleared.
    EXPECT_EQ(window.eventTexts(Event::Kind::Log),
              (std::vector<std::string>{"Input file: Test.IMG", "", "<clear>"}));
}

struct OpenCase {
    std::string chosen;
    std::string savePreset;
};

class InputFileButton : public ::testing::TestWithParam<OpenCase> {};

TEST_P(InputFileButton, LogsThePathAndPresetsTheSaveName)
{
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.openDialogAnswer = GetParam().chosen;
    main.InputFile_ButtonClick();
    EXPECT_EQ(window.state.InputFilename, GetParam().chosen);
    EXPECT_EQ(window.state.SaveDialogFileName, GetParam().savePreset);
    EXPECT_EQ(window.log(), (std::vector<std::string>{"Input file: " + GetParam().chosen, ""}));
}

INSTANTIATE_TEST_SUITE_P(Cases, InputFileButton,
                         ::testing::Values(OpenCase{"D:\\data\\scene.img", "D:\\data\\scene.bmp"},
                                           OpenCase{"D:\\data\\raw", "D:\\data\\raw.bmp"},
                                           OpenCase{"/data/m.v2/raw", "/data/m.v2/raw.bmp"},
                                           OpenCase{"/data/a.b.IMG", "/data/a.b.bmp"}));

TEST(InputFileButton, CancelChangesNothing)
{
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    main.InputFile_ButtonClick();
    EXPECT_EQ(window.state.InputFilename, "Test.IMG");
    EXPECT_TRUE(window.log().empty());
}

TEST(Abort, LogsHidesTheButtonAndSetsTheFlag)
{
    ScriptedWindow window;
    MainWindow main(window);
    main.Abort_ButtonClick();
    EXPECT_TRUE(window.state.AbortRequested);
    EXPECT_EQ(window.log(), std::vector<std::string>{"Processing aborted..."});
    EXPECT_FALSE(window.abortVisible());
}

struct GuardCase {
    const char* name;
    std::function<void(MainWindow&)> action;
};

class OperationGuard : public ::testing::TestWithParam<GuardCase> {};

// Choosing a new input mid-run would make the log name one file and the
// results come from another; the preview's mouse actions change boxes and run
// operations of their own.
TEST_P(OperationGuard, IgnoredWhileAnOperationRuns)
{
    ScriptedWindow window;
    MainWindow main(window);
    window.openDialogAnswer = "/data/other.img";
    window.state.OperationRunning = true;
    GetParam().action(main);
    EXPECT_TRUE(window.events.empty());
    EXPECT_EQ(window.state.InputFilename, "Test.IMG");
}

const PreviewSource shownArea{1, 10, 1, 10, 1, 1, 1, "Test.IMG", {}, Choice::UnsignedInteger, false};

INSTANTIATE_TEST_SUITE_P(
    Handlers, OperationGuard,
    ::testing::Values(GuardCase{"RetrievePoint", [](MainWindow& m) { m.RetrievePoint_ButtonClick(); }},
                      GuardCase{"InputFile", [](MainWindow& m) { m.InputFile_ButtonClick(); }},
                      GuardCase{"PreviewPoint", [](MainWindow& m) { m.PreviewPoint_Click(shownArea, 2, 3); }},
                      GuardCase{"PreviewArea", [](MainWindow& m) { m.PreviewArea_Drag(shownArea, 1, 1, 4, 4); }},
                      GuardCase{"LivePreview", [](MainWindow& m) { m.LivePreview(); }}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

TEST(OperationGuard, ClosingAbortsTheRunningOperationFirst)
{
    ScriptedWindow window;
    MainWindow main(window);
    window.state.OperationRunning = true;
    EXPECT_FALSE(main.requestClose());
    EXPECT_TRUE(window.state.AbortRequested);
    window.state.OperationRunning = false;
    EXPECT_TRUE(main.requestClose());
}

}  // namespace
}  // namespace skeldra
