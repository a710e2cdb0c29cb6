#pragma once
// The handlers of the main window, named after their controls. Every front
// end (the Qt window, the batch tool, the tests) calls these; each handler
// runs its operation and catches its error here, the one place where errors
// reach the user.
#include <functional>

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
    // Where every byte of the input file goes, in the log.
    void ExplainFile_ButtonClick();
    // The same account as one JSON object on one log line (the batch tool's --json).
    void ExplainFileAsJson();
    // The four band-structure buttons share one handler.
    void BandStructure_RadioButtonClick();

    // Closing the window while an operation runs aborts it first; a
    // conversion aborted so keeps no partial file. Returns whether the window
    // may close now.
    bool requestClose();

    bool operationRunning() const { return port_.state.OperationRunning; }

private:
    // Runs one operation unless another is running (the other would share
    // the input file and the progress bar), and shows its error, if any.
    void runOperation(const std::function<void(WindowPort&)>& operation);

    WindowPort& port_;
};

}  // namespace skeldra
