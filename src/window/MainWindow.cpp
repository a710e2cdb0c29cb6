#include "window/MainWindow.h"

#include <exception>
#include <new>

#include "analysis/AreaReset.h"
#include "analysis/AreaStatistics.h"
#include "analysis/PointRetrieval.h"
#include "base/Errors.h"
#include "discover/ExplainFile.h"
#include "header/HeaderReader.h"
#include "label/ApplyLabel.h"
#include "output/FileConversion.h"
#include "output/Preview.h"
#include "raster/FormatParameters.h"
#include "base/FileNames.h"

namespace skeldra {

void MainWindow::FormCreate()
{
    port_.setProgressVisible(false);
    port_.setAbortVisible(false);
    port_.state.InputFilename = "Test.IMG";
    ShowInputFilename();
    ComputeBandStrides(port_);
    Clear_ButtonClick();
}

void MainWindow::ShowInputFilename()
{
    port_.showInputFilenameLabel(port_.state.InputFilename);
    port_.appendLog("Input file: " + port_.state.InputFilename);
    port_.appendLog("");
}

void MainWindow::InputFile_ButtonClick()
{
    const auto chosen = port_.askOpenFileName(port_.state.InputFilename);
    if (!chosen) return;
    port_.state.InputFilename = *chosen;
    port_.state.SaveDialogFileName = changeFileExtension(*chosen, ".bmp");
    ShowInputFilename();
}

void MainWindow::Clear_ButtonClick() { port_.clearLog(); }

void MainWindow::Abort_ButtonClick()
{
    port_.state.AbortRequested = true;
    port_.appendLog("Processing aborted...");
    port_.setAbortVisible(false);
}

void MainWindow::RetrievePoint_ButtonClick() { runOperation(RetrievePoint); }
void MainWindow::Histogram_ButtonClick() { runOperation(ComputeAreaStatistics); }
void MainWindow::ReadHeader_ButtonClick() { runOperation(ReadAsciiHeader); }
void MainWindow::ResetArea_ButtonClick() { runOperation(ResetArea); }
void MainWindow::ConvertFile_ButtonClick() { runOperation(ConvertFile); }
void MainWindow::Preview_ButtonClick() { runOperation(RenderPreview); }
void MainWindow::LayoutFromLabel_ButtonClick() { runOperation(ApplyLayoutFromLabel); }
void MainWindow::ExplainFile_ButtonClick()
{
    runOperation([](WindowPort& port) { ExplainFile(port, AccountForm::Lines); });
}
void MainWindow::ExplainFileAsJson()
{
    runOperation([](WindowPort& port) { ExplainFile(port, AccountForm::Json); });
}

void MainWindow::BandStructure_RadioButtonClick()
{
    try {
        ComputeBandStrides(port_);
    } catch (const std::exception& error) {
        port_.showError(errorBoxText(error.what()));
    }
}

bool MainWindow::requestClose()
{
    if (!port_.state.OperationRunning) return true;
    port_.state.CloseRequested = true;
    Abort_ButtonClick();
    return false;
}

void MainWindow::runOperation(const std::function<void(WindowPort&)>& operation)
{
    if (port_.state.OperationRunning) return;
    port_.state.OperationRunning = true;
    try {
        operation(port_);
    } catch (const std::bad_alloc&) {
        port_.showError(errorBoxText("Out of memory"));
    } catch (const std::exception& error) {
        port_.showError(errorBoxText(error.what()));
    }
    port_.state.OperationRunning = false;
}

}  // namespace skeldra
