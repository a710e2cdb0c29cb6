// SPDX-License-Identifier: BSD-3-Clause
#include "support/LabelFuzz.h"

#include <filesystem>

#include "support/FuzzFile.h"
#include "support/FuzzWindow.h"
#include "ui/ControlCatalog.h"

namespace skeldra::fuzzing {
namespace {

// The label may set any box, but only to a text the box takes: reading every
// box must give no "Invalid numeric input" message.
// Messages shown before (a label that could not be read says so) are not
// the boxes'.
void requireBoxesReadable(FuzzWindow& window)
{
    const size_t shownBefore = window.messages().size();
    for (int i = 0; i < boxCount; ++i) {
        const Box box = static_cast<Box>(i);
        if (boxSpec(box).inputType == TInputType::tInteger) window.IntegerValue(box);
        else window.ExtendedValue(box);
    }
    const bool refused = window.messages().size() > shownBefore;
    require(!refused, "a box was set to a text it refuses: " + (refused ? window.messages().back() : ""));
    require(window.IntegerValue(Box::HeaderBytes) >= 0, "negative header bytes set");
}

void runOnce(const std::string& inputPath)
{
    FuzzWindow window;
    window.state.InputFilename = inputPath;
    window.run(&MainWindow::LayoutFromLabel_ButtonClick);
    require(window.errors().empty(), "reading a readable label failed: " +
                                         (window.errors().empty() ? "" : window.errors().front()));
    // The fuzz window answers No: a pointer out of the folder is not followed.
    if (!window.questions().empty())
        require(window.state.InputFilename == inputPath, "a pointer out of the label's folder was followed");
    requireBoxesReadable(window);
}

}  // namespace

void layoutFromLabelBytes(const uint8_t* data, size_t size, const std::string& ownName,
                          const std::string& besideName)
{
    if (!ownName.empty()) {
        const std::string path = writeFuzzFile(ownName, data, size);
        runOnce(path);
        std::filesystem::remove(path);
    }
    if (!besideName.empty()) {
        static const uint8_t samples[16] = {};
        const std::string input = writeFuzzFile("input.img", samples, sizeof samples);
        const std::string label = writeFuzzFile(besideName, data, size);
        runOnce(input);
        std::filesystem::remove(label);
    }
}

}  // namespace skeldra::fuzzing
