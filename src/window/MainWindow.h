// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The handlers of the main window, named after their controls. Every front
// end (the Qt window, the batch tool, the tests) calls these; each handler
// runs its operation and catches its error here, the one place where errors
// reach the user.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output/LayoutHeaders.h"
#include "port/WindowPort.h"

namespace skeldra {

class MainWindow {
public:
    explicit MainWindow(WindowPort& port) : port_(port) {}

    WindowPort& port() { return port_; }

    void FormCreate();
    void ShowInputFilename();
    void InputFile_ButtonClick();
    void Clear_ButtonClick();
    void Abort_ButtonClick();
    void RetrievePoint_ButtonClick();
    void Histogram_ButtonClick();
    void ReadHeader_ButtonClick();
    void ResetArea_ButtonClick();
    void ConvertFile_ButtonClick();
    void Preview_ButtonClick();
    void LayoutFromLabel_ButtonClick();
    // Candidate layouts of the input file, one of which the user may choose.
    void FindLayout_ButtonClick();
    // Where every byte of the input file goes, in the log.
    void ExplainFile_ButtonClick();
    // The same account as one JSON object on one log line (the batch tool's --json).
    void ExplainFileAsJson();
    // "Save Layout...": the kind follows the name chosen unless given.
    void SaveLayout_ButtonClick(std::optional<LayoutKind> kind = std::nullopt);
    // The four band-structure buttons share one handler.
    void BandStructure_RadioButtonClick();

    // The preview window answers the mouse over the picture `shown`, in its
    // pixels. A click reads the point the pixel shows into Line and Sample and
    // retrieves it; a rectangle becomes the area of interest and is previewed
    // (the area before it is kept for PreviewBack); PreviewBack restores the
    // area before the last rectangle and previews it. Ignored while an
    // operation runs, like the operation buttons.
    void PreviewPoint_Click(const PreviewSource& shown, int32_t column, int32_t row);
    void PreviewArea_Drag(const PreviewSource& shown, int32_t column0, int32_t row0, int32_t column1,
                          int32_t row1);
    void PreviewBack_Click();
    // Only within the file the areas were taken from: another file's areas
    // may lie beyond this one's end.
    bool canGoBack() const { return !areaHistory_.empty() && areaHistoryFile_ == port_.state.InputFilename; }

    // The preview again while the user types: skipped while an entry does not
    // parse yet or would be corrected, and an error only skips this picture.
    // The box messages and errors appear as before when Preview is pressed.
    void LivePreview();

    // Closing the window while an operation runs aborts it first; a
    // conversion aborted so keeps no partial file. Returns whether the window
    // may close now.
    bool requestClose();

    bool operationRunning() const { return port_.state.OperationRunning; }

private:
    // Runs one operation unless another is running (the other would share
    // the input file and the progress bar), and shows its error, if any.
    enum class Errors { Shown, Skipped };
    void runOperation(const std::function<void(WindowPort&)>& operation, Errors errors = Errors::Shown);
    void setArea(const std::string& logPrefix, const std::array<std::string, 4>& texts);

    WindowPort& port_;
    // Texts of Start line, End line, Start sample and End sample before each
    // rectangle, the latest last.
    std::vector<std::array<std::string, 4>> areaHistory_;
    std::string areaHistoryFile_;
};

}  // namespace skeldra
