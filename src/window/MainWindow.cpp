// SPDX-License-Identifier: BSD-3-Clause
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
#include "window/FindLayout.h"
#include "output/FileConversion.h"
#include "output/Preview.h"
#include "output/PreviewGeometry.h"
#include "output/SaveLayout.h"
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
    // A new input mid-operation would make its log name one file and its
    // results come from another.
    if (port_.state.OperationRunning) return;
    const auto chosen = port_.askOpenFileName(port_.state.InputFilename);
    if (!chosen) return;
    port_.state.InputFilename = *chosen;
    port_.state.LabelFilename.clear();
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
void MainWindow::FindLayout_ButtonClick() { runOperation(FindLayout); }
void MainWindow::ExplainFile_ButtonClick()
{
    runOperation([](WindowPort& port) { ExplainFile(port, AccountForm::Lines); });
}
void MainWindow::ExplainFileAsJson()
{
    runOperation([](WindowPort& port) { ExplainFile(port, AccountForm::Json); });
}
void MainWindow::SaveLayout_ButtonClick(std::optional<LayoutKind> kind)
{
    runOperation([kind](WindowPort& port) { SaveLayout(port, kind); });
}

void MainWindow::BandStructure_RadioButtonClick()
{
    try {
        ComputeBandStrides(port_);
    } catch (const std::exception& error) {
        port_.showError(errorBoxText(error.what()));
    }
}

namespace {

constexpr std::array<Box, 4> areaBoxes = {Box::StartLine, Box::EndLine, Box::StartSample, Box::EndSample};

}  // namespace

void MainWindow::PreviewPoint_Click(const PreviewSource& shown, int32_t column, int32_t row)
{
    if (port_.state.OperationRunning) return;
    const PointPosition point = pixelPosition(shown, column, row);
    port_.setBoxText(Box::Line, std::to_string(point.Line));
    port_.setBoxText(Box::Sample, std::to_string(point.Sample));
    RetrievePoint_ButtonClick();
}

void MainWindow::PreviewArea_Drag(const PreviewSource& shown, int32_t column0, int32_t row0, int32_t column1,
                                  int32_t row1)
{
    if (port_.state.OperationRunning) return;
    std::array<std::string, 4> before;
    for (size_t i = 0; i < areaBoxes.size(); ++i) before[i] = port_.boxText(areaBoxes[i]);
    if (!canGoBack()) areaHistory_.clear();
    areaHistoryFile_ = port_.state.InputFilename;
    areaHistory_.push_back(before);
    const AreaBounds area = areaUnderRectangle(shown, column0, row0, column1, row1);
    setArea("Area of interest from the preview: ",
            {std::to_string(area.StartLine), std::to_string(area.EndLine), std::to_string(area.StartSample),
             std::to_string(area.EndSample)});
}

void MainWindow::PreviewBack_Click()
{
    if (port_.state.OperationRunning || !canGoBack()) return;
    const std::array<std::string, 4> before = areaHistory_.back();
    areaHistory_.pop_back();
    setArea("Area of interest back to: ", before);
}

void MainWindow::setArea(const std::string& logPrefix, const std::array<std::string, 4>& texts)
{
    for (size_t i = 0; i < areaBoxes.size(); ++i) port_.setBoxText(areaBoxes[i], texts[i]);
    port_.appendLog(logPrefix + "lines " + texts[0] + " to " + texts[1] + ", samples " + texts[2] + " to " +
                    texts[3]);
    Preview_ButtonClick();
}

void MainWindow::LivePreview()
{
    if (port_.state.OperationRunning || !PreviewInputsReady(port_)) return;
    runOperation(RenderPreview, Errors::Skipped);
}

bool MainWindow::requestClose()
{
    if (!port_.state.OperationRunning) return true;
    port_.state.CloseRequested = true;
    Abort_ButtonClick();
    return false;
}

void MainWindow::runOperation(const std::function<void(WindowPort&)>& operation, Errors errors)
{
    if (port_.state.OperationRunning) return;
    port_.state.OperationRunning = true;
    const auto show = [&](const std::string& text) {
        if (errors == Errors::Shown) port_.showError(text);
    };
    try {
        operation(port_);
    } catch (const std::bad_alloc&) {
        show(errorBoxText("Out of memory"));
    } catch (const std::exception& error) {
        show(errorBoxText(error.what()));
    }
    port_.state.OperationRunning = false;
}

}  // namespace skeldra
