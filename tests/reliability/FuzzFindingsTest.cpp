// SPDX-License-Identifier: BSD-3-Clause
// Faults the fuzz targets found, kept as tests of the whole operation.
#include <gtest/gtest.h>

#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using namespace skeldra::testing;

// An area whose end sample lies before its start sample has no point in any
// line. Over every possible line it used to go through two billion lines
// without letting a single event through, freezing the window for minutes.
TEST(FuzzFindings, EmptyRowsOverEveryLineReadNoLine)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.write("in.img", std::vector<uint8_t>(64, 1));
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::StartLine, "1");
    window.setBoxText(Box::EndLine, "2147483647");
    window.setBoxText(Box::StartSample, "5");
    window.setBoxText(Box::EndSample, "4");
    window.events.clear();
    main.Histogram_ButtonClick();
    EXPECT_TRUE(window.errors().empty());
    EXPECT_LE(window.eventTexts(Event::Kind::ProgressPosition).size(), 1u);
    EXPECT_EQ(window.log(), (std::vector<std::string>{"No data point in the area: the area is empty", ""}));
    EXPECT_FALSE(window.progressVisible());
}

// A preview of two billion lines with a preview size of 260 million built
// its tables of rows before reading a single sample, without letting an
// event through. Its height is limited like its width.
TEST(FuzzFindings, TallPreviewIsRefusedBeforeAnythingIsBuilt)
{
    TempDir dir;
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.write("in.img", std::vector<uint8_t>(64, 1));
    window.setBoxText(Box::HeaderBytes, "0");
    window.setBoxText(Box::NumSamples, "3");
    window.setBoxText(Box::StartLine, "-2146825718");
    window.setBoxText(Box::EndLine, "9");
    window.setBoxText(Box::StartSample, "1");
    window.setBoxText(Box::EndSample, "3");
    window.setBoxText(Box::MaxPreviewDimension, "260980620");
    main.Preview_ButtonClick();
    EXPECT_EQ(window.errors(), std::vector<std::string>{"Range check error."});
    EXPECT_FALSE(window.preview().has_value());
    EXPECT_FALSE(window.busyPointer());
}

}  // namespace
}  // namespace skeldra
